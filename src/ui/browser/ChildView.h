// CChildView: the plain child window between toolbar and status bar that
// parents every browser control; its resizing re-runs the frame's Layout.
#pragma once

#include <QFrame>
#include <functional>

class CChildView : public QFrame {
    Q_OBJECT
  public:
    explicit CChildView(QWidget* parent = nullptr);
    void SetResizeHandler(std::function<void()> handler) { m_onResize = std::move(handler); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::function<void()> m_onResize;
};
