#include "ui/edit/HistogramDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

class Chart : public QFrame {
  public:
    explicit Chart(CHistogramDlg* owner) : QFrame(owner), m_owner(owner)
    {
        setObjectName("chart");
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setFixedSize(260, 104);
    }

  protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        // Bar i stands at x = i + 1 from line 101 up to 100 - height.
        for (int i = 0; i < 256; ++i) {
            const int h = m_owner->BarHeight(i);
            if (h > 0)
                painter.drawLine(i + 1, 101, i + 1, 100 - h);
        }
    }

  private:
    CHistogramDlg* m_owner;
};

} // namespace

CHistogramDlg::CHistogramDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Histogram");
    m_channel = new QComboBox(this);
    m_channel->setObjectName("channel");
    m_channel->addItems({"Luminocity", "Red", "Green", "Blue"});
    m_channel->setCurrentIndex(0);
    m_chart = new Chart(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText("OK");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_channel, &QComboBox::currentIndexChanged, m_chart, qOverload<>(&QWidget::update));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_channel);
    layout->addWidget(m_chart);
    layout->addWidget(buttons);
}

int CHistogramDlg::Channel() const
{
    return m_channel->currentIndex();
}

const int32_t* CHistogramDlg::SelectedCounts() const
{
    switch (Channel()) {
    case 1:
        return m_histogram.red;
    case 2:
        return m_histogram.green;
    case 3:
        return m_histogram.blue;
    default:
        return m_histogram.luminance;
    }
}

int CHistogramDlg::BarHeight(int i) const
{
    const int32_t* counts = SelectedCounts();
    const int32_t m = *std::max_element(counts, counts + 256);
    if (m <= 0 || i < 0 || i > 255)
        return 0;
    return int(int64_t(counts[i]) * 100 / m);
}
