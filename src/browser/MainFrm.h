// CMainFrame: the one main window.
#pragma once

#include "picture/winbmp.h"

#include <QMainWindow>
#include <QWidget>

class CPictureView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Decodes and shows a file; returns false after showing the error.
    bool OpenFile(const QString& path);

private:
    CPictureView* m_view;
};

// Draws a CWinBmp from its DIB block without copying it, shrunk to fit.
class CPictureView : public QWidget {
    Q_OBJECT
public:
    explicit CPictureView(QWidget* parent = nullptr) : QWidget(parent) {}
    CWinBmp& Picture() { return m_picture; }
    void SetHasPicture(bool has) { m_hasPicture = has; update(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CWinBmp m_picture;
    bool m_hasPicture = false;
};
