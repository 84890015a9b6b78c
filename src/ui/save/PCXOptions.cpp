#include "ui/save/PCXOptions.h"

#include "ui/widgets/DialogParts.h"

#include <QGroupBox>
#include <QVBoxLayout>

CPCXOptions::CPCXOptions(const QString& title, int depthChoice, QWidget* parent)
    : QDialog(parent), m_depth(this, depthChoice)
{
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_depth.group);
    layout->addWidget(vkdlg::OkCancel(this));
}

int CPCXOptions::DepthChoice() const
{
    return m_depth.Choice();
}
