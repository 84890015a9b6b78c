#include "MainFrm.h"

#include "picture/anydec.h"

#include <QImage>
#include <QMessageBox>
#include <QPainter>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_view(new CPictureView(this))
{
    setWindowTitle("Velkor 1.0");
    setCentralWidget(m_view);
    resize(1024, 768);
}

bool CMainFrame::OpenFile(const QString& path)
{
    CAnyPicDecoder decoder;
    try {
        decoder.DecodeFile(path.toStdString(), m_view->Picture(), 32);
    } catch (const CTextException& e) {
        m_view->SetHasPicture(false);
        QMessageBox::warning(this, "Velkor", QString::fromStdString(e.GetText()).trimmed());
        return false;
    }
    setWindowTitle("Velkor 1.0 - [" + path + "]");
    m_view->SetHasPicture(true);
    return true;
}

void CPictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    if (!m_hasPicture || m_picture.GetWidth() == 0 || m_picture.GetHeight() == 0)
        return;
    const int w = m_picture.GetWidth();
    const int h = m_picture.GetHeight();
    // The block is bottom-up: wrap it as is and flip it while drawing.
    QImage image(m_picture.GetPixels(), w, h, m_picture.GetLineBytes(),
                 m_picture.GetBitsPerPixel() == 32 ? QImage::Format_RGB32 : QImage::Format_Indexed8);
    if (m_picture.GetBitsPerPixel() != 32) {
        QList<QRgb> colors;
        for (uint32_t i = 0; i < m_picture.GetColorCount(); ++i) {
            const PaletteEntry& e = m_picture.GetPalette()[i];
            colors.append(qRgb(e.red, e.green, e.blue));
        }
        image.setColorTable(colors);
    }
    double scale = std::min({1.0, double(width()) / w, double(height()) / h});
    QRectF target(0, 0, w * scale, h * scale);
    target.moveCenter(QRectF(rect()).center());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(target.left(), target.bottom());
    painter.scale(scale, -scale);
    painter.drawImage(QPointF(0, 0), image);
}
