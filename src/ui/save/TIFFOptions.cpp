#include "ui/save/TIFFOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

CTIFFOptions::CTIFFOptions(int compression, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("TIFF Options");
    auto* box = new QGroupBox("Compression", this);
    auto* inner = new QVBoxLayout(box);
    m_group = new QButtonGroup(this);
    const char* texts[] = {"&None", "&Packbits", "&LZW"};
    const char* names[] = {"none", "packbits", "lzw"};
    for (int i = 0; i < 3; ++i) {
        auto* b = new QRadioButton(texts[i], box);
        b->setObjectName(names[i]);
        m_group->addButton(b, i);
        inner->addWidget(b);
    }
    if (QAbstractButton* b = m_group->button(compression >= 0 && compression <= 2 ? compression : 0))
        b->setChecked(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(vkdlg::OkCancel(this, true));
}

int CTIFFOptions::Compression() const
{
    return m_group->checkedId();
}
