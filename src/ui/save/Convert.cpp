#include "ui/save/Convert.h"

#include "engine/save/SaveNames.h"
#include "ui/widgets/DialogParts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CConvertDlg::CConvertDlg(int formatIndex, bool replaceOriginal, int policy, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Convert");
    auto* destination = new QGroupBox("Destination format", this);
    m_format = new QComboBox(destination);
    m_format->setObjectName("format");
    for (const ConvertFormat& f : ConvertFormats())
        m_format->addItem(f.text);
    m_format->setCurrentIndex(formatIndex >= 0 && formatIndex < m_format->count() ? formatIndex : 0);
    m_replace = new QCheckBox("R&eplace original", destination);
    m_replace->setObjectName("replace");
    m_replace->setChecked(replaceOriginal);
    auto* d = new QVBoxLayout(destination);
    d->addWidget(m_format);
    d->addWidget(m_replace);

    auto* overwrite = new QGroupBox("Overwrite existing", this);
    auto* o = new QVBoxLayout(overwrite);
    m_policy = new QButtonGroup(this);
    const char* texts[] = {"&Ask", "&Replace", "Re&name", "&Skip"};
    const char* names[] = {"ask", "replaceExisting", "rename", "skip"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(texts[i], overwrite);
        b->setObjectName(names[i]);
        m_policy->addButton(b, i);
        o->addWidget(b);
    }
    m_policy->button(policy >= 0 && policy <= 3 ? policy : 0)->setChecked(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(destination);
    layout->addWidget(overwrite);
    layout->addWidget(vkdlg::OkCancel(this, true));
}

int CConvertDlg::FormatIndex() const
{
    return m_format->currentIndex();
}
bool CConvertDlg::ReplaceOriginal() const
{
    return m_replace->isChecked();
}
int CConvertDlg::Policy() const
{
    return std::max(0, m_policy->checkedId());
}
