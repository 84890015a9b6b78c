// CPrintJob: draws the pages of a print run onto a QPrinter, for printing
// and for the print preview. Page units (1/100 inch, y up) are mapped onto
// the printer's resolution in ToDevice alone.
//
// Pictures are decoded when their page is drawn, one at a time; a
// thumbnail keeps only a copy reduced to its cell at the printer's
// resolution, so a folder of large photographs never has to fit in memory.
#pragma once

#include "models/print/PrintLayout.h"

#include <QFont>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CWinBmp;
class QPainter;
class QPrinter;

class CPrintJob {
  public:
    CPrintJob(CSettings& settings, vkprint::PrintRequest request);
    ~CPrintJob();

    // Preparation for `printer`: names, text height, margins (reset in the
    // settings when too large), grid and page count.
    void Prepare(QPrinter& printer);
    int GetPageCount() const { return m_pages; }
    bool IsThumbnailLayout() const { return m_thumbnails; }
    const vkprint::ThumbnailGrid& GetGrid() const { return m_grid; }
    const std::vector<std::string>& GetNames() const { return m_names; }
    int GetLineHeight() const { return m_lineHeight; }

    // Prepares and draws every page in the printer's page range.
    void Render(QPrinter& printer);
    // Draws page `page` (0-based) with a painter open on the printer.
    void DrawPage(QPainter& painter, int page);

    // Messages gathered while drawing ("Error loading " once per file, the
    // size warning once per page), handed over once.
    QStringList TakeMessages();
    // Most bytes held by decoded pictures and thumbnails at one time.
    size_t GetPeakPictureBytes() const { return m_peakBytes; }

  private:
    QRectF ToDevice(const vkprint::PageRect& rect) const;
    QPointF TextOrigin(int x, int top) const;
    int TextWidth(const std::string& text) const;
    std::string PathOf(const std::string& name) const;
    // Decodes names[index], or hands over the shown picture for its file;
    // null (and one message) on failure.
    std::shared_ptr<const CWinBmp> Decode(int index);
    void DrawImagePage(QPainter& painter, int page);
    void DrawThumbnailPage(QPainter& painter, int page);
    void DrawPicture(QPainter& painter, const CWinBmp& picture, const QRectF& target);
    void Account(size_t bytes);

    struct Thumbnail {
        bool loaded = false;
        int width = 0; // the picture's size in pixels
        int height = 0;
        QImage reduced; // the copy reduced to its cell
    };

    CSettings& m_settings;
    vkprint::PrintRequest m_request;
    std::vector<std::string> m_names;
    bool m_thumbnails = false;
    bool m_realPrinting = true;
    vkprint::PrinterGeometry m_geometry;
    vkprint::PageRect m_rect;
    vkprint::ThumbnailGrid m_grid;
    int m_pages = 0;
    int m_lineHeight = 0;
    double m_scaleX = 1;
    double m_scaleY = 1;
    QFont m_font;
    double m_ascent = 0;
    QPrinter* m_printer = nullptr;
    std::map<int, Thumbnail> m_cache;
    std::set<int> m_failed;
    std::set<int> m_tooLargeReported;
    QStringList m_messages;
    size_t m_liveBytes = 0;
    size_t m_peakBytes = 0;
};

// The printing commands. `setupFirst` runs Print Setup first (Cancel there
// ends the command). Print runs QPrintDialog, preview QPrintPreviewDialog,
// both through the dialog seam; messages go through the message service.
bool RunPrint(CSettings& settings, const vkprint::PrintRequest& request, QWidget* parent);
bool RunPrintPreview(CSettings& settings, const vkprint::PrintRequest& request, QWidget* parent);
