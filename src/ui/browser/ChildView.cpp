#include "ui/browser/ChildView.h"

CChildView::CChildView(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setCursor(Qt::ArrowCursor);
}

void CChildView::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (m_onResize)
        m_onResize();
}
