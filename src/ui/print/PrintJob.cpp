#include "ui/print/PrintJob.h"

#include "engine/picture/AnyPicDecoder.h"
#include "engine/picture/TextException.h"
#include "engine/picture/WinBmp.h"
#include "models/platform/Path.h"
#include "ui/browser/Preview.h"
#include "ui/widgets/MessageService.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <sys/stat.h>

namespace {

constexpr const char* kTextErrorLoading = "Error loading ";
constexpr const char* kTextTooLarge = "The image is larger than the paper's printable area.";

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

CPrintJob::CPrintJob(CSettings& settings, vkprint::PrintRequest request)
    : m_settings(settings), m_request(std::move(request))
{
    m_realPrinting = !m_request.preview;
    m_font = QFont("Sans Serif", 9);
}

CPrintJob::~CPrintJob() = default;

void CPrintJob::Prepare(QPrinter& printer)
{
    m_printer = &printer;
    const QRect paint = printer.pageLayout().paintRectPixels(printer.resolution());
    m_geometry = {printer.logicalDpiX(), printer.logicalDpiY(), paint.width(), paint.height()};
    m_scaleX = m_geometry.dpiX / double(vkprint::kUnitsPerInch);
    m_scaleY = m_geometry.dpiY / double(vkprint::kUnitsPerInch);

    m_names = vkprint::NamesToPrint(m_settings, m_request);
    m_thumbnails = vkprint::UsesThumbnailLayout(m_settings, m_request);

    // A text line is the printer's height of "T", in page units.
    const QFontMetricsF metrics(m_font, &printer);
    m_ascent = metrics.ascent();
    m_lineHeight = std::max(1, int(std::ceil(metrics.height() / m_scaleY)));

    const vkprint::PageExtent usable = vkprint::ApplyMargins(m_settings, vkprint::PageExtentOf(m_geometry));
    m_rect = vkprint::DrawingRect(m_settings, m_geometry);
    const int textHeight = vkprint::ThumbnailTextHeight(m_settings, m_lineHeight);
    m_grid = vkprint::ComputeGrid(usable.width, usable.height, m_settings.printThumbWidth,
                                  m_settings.printThumbHeight, textHeight, int(m_names.size()));
    if (m_thumbnails)
        m_pages = m_grid.pages;
    else if (m_request.printMode == 0)
        m_pages = m_names.empty() ? 0 : 1;
    else
        m_pages = int(m_names.size());
}

QRectF CPrintJob::ToDevice(const vkprint::PageRect& r) const
{
    return QRectF(r.left * m_scaleX, -r.top * m_scaleY, r.Width() * m_scaleX, r.Height() * m_scaleY);
}

QPointF CPrintJob::TextOrigin(int x, int top) const
{
    return QPointF(x * m_scaleX, -top * m_scaleY + m_ascent);
}

int CPrintJob::TextWidth(const std::string& text) const
{
    const QFontMetricsF metrics(m_font, m_printer);
    return int(std::ceil(metrics.horizontalAdvance(Q(text)) / m_scaleX));
}

std::string CPrintJob::PathOf(const std::string& name) const
{
    return vkpath::Join(m_request.directory, name);
}

void CPrintJob::Account(size_t bytes)
{
    m_peakBytes = std::max(m_peakBytes, m_liveBytes + bytes);
}

std::shared_ptr<const CWinBmp> CPrintJob::Decode(int index)
{
    if (index < 0 || size_t(index) >= m_names.size() || m_failed.count(index))
        return nullptr;
    if (m_request.shownPicture && m_names[size_t(index)] == m_request.shownName)
        return m_request.shownPicture;
    auto picture = std::make_unique<CWinBmp>();
    try {
        CAnyPicDecoder decoder;
        decoder.DecodeFile(PathOf(m_names[size_t(index)]), *picture, 32);
        Account(picture->GetMemoryUsed());
        return picture;
    } catch (const CTextException&) {
    } catch (const std::bad_alloc&) {
    }
    m_failed.insert(index);
    m_messages.append(kTextErrorLoading + Q(PathOf(m_names[size_t(index)])));
    return nullptr;
}

void CPrintJob::Render(QPrinter& printer)
{
    Prepare(printer);
    if (m_pages <= 0)
        return;
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    int first = 1, last = m_pages;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(m_pages, std::max(first, printer.toPage()));
    }
    for (int page = first; page <= last; ++page) {
        if (page > first)
            printer.newPage();
        DrawPage(painter, page - 1);
    }
    painter.end();
}

void CPrintJob::DrawPage(QPainter& painter, int page)
{
    painter.setFont(m_font);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (m_thumbnails)
        DrawThumbnailPage(painter, page);
    else
        DrawImagePage(painter, page);
}

void CPrintJob::DrawPicture(QPainter& painter, const CWinBmp& picture, const QRectF& target)
{
    // Reduced to the target's printer pixels when that is smaller (always
    // when really printing a fitted or custom size); an enlargement is left
    // to the printer's own scaling.
    const int tw = std::max(1, int(std::lround(target.width())));
    const int th = std::max(1, int(std::lround(target.height())));
    const int w = std::min(tw, picture.GetWidth());
    const int h = std::min(th, picture.GetHeight());
    QRect actual;
    const QImage image =
        vkview::BuildScaledRegion(picture, w, h, QRect(0, 0, w, h), actual, vkdisplay::ColourTarget::Srgb);
    Account(size_t(image.sizeInBytes()));
    if (!image.isNull())
        painter.drawImage(target, image);
}

void CPrintJob::DrawImagePage(QPainter& painter, int page)
{
    const int index = page;
    const std::shared_ptr<const CWinBmp> picture = Decode(index);
    if (!picture)
        return; // the page stays empty
    struct stat st {};
    const std::string path = PathOf(m_names[size_t(index)]);
    const uint64_t fileSize = ::stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
    const std::string info = vkprint::InfoText(m_settings, m_request.directory, m_names[size_t(index)],
                                               picture->GetWidth(), picture->GetHeight(), fileSize);
    const vkprint::ImagePage layout = vkprint::LayoutImagePage(
        m_settings, m_rect, m_lineHeight, info, [this](const std::string& t) { return TextWidth(t); },
        picture->GetWidth(), picture->GetHeight());
    if (layout.hasInfo)
        painter.drawText(TextOrigin(layout.info.x, layout.info.top), Q(layout.info.text));
    if (layout.tooLarge && m_tooLargeReported.insert(page).second)
        m_messages.append(kTextTooLarge);
    m_liveBytes += picture->GetMemoryUsed();
    DrawPicture(painter, *picture, ToDevice(layout.image));
    m_liveBytes -= picture->GetMemoryUsed();
}

void CPrintJob::DrawThumbnailPage(QPainter& painter, int page)
{
    if (m_realPrinting) {
        // Printed pages are drawn once: earlier pages' copies can go.
        for (auto& [index, thumb] : m_cache)
            m_liveBytes -= std::min(m_liveBytes, size_t(thumb.reduced.sizeInBytes()));
        m_cache.clear();
    }
    const std::vector<vkprint::ThumbnailCell> cells =
        vkprint::LayoutThumbnailPage(m_settings, m_rect, m_grid, page, int(m_names.size()), m_lineHeight);
    for (const vkprint::ThumbnailCell& cell : cells) {
        auto found = m_cache.find(cell.index);
        if (found == m_cache.end()) {
            Thumbnail thumb;
            if (const std::shared_ptr<const CWinBmp> picture = Decode(cell.index)) {
                thumb.loaded = true;
                thumb.width = picture->GetWidth();
                thumb.height = picture->GetHeight();
                QRectF target = ToDevice(vkprint::ThumbnailImageRect(cell, thumb.width, thumb.height));
                // A preview keeps every page's copies for its repaints; a
                // screen shows no more than 300 dots per inch of them.
                const double previewScale =
                    m_realPrinting ? 1.0 : std::min(1.0, 300.0 / std::max(1, m_geometry.dpiX));
                const int w = std::max(
                    1, std::min(picture->GetWidth(), int(std::lround(target.width() * previewScale))));
                const int h = std::max(
                    1, std::min(picture->GetHeight(), int(std::lround(target.height() * previewScale))));
                QRect actual;
                m_liveBytes += picture->GetMemoryUsed();
                thumb.reduced = vkview::BuildScaledRegion(*picture, w, h, QRect(0, 0, w, h), actual,
                                                          vkdisplay::ColourTarget::Srgb);
                m_liveBytes -= picture->GetMemoryUsed();
                m_liveBytes += size_t(thumb.reduced.sizeInBytes());
                Account(0);
            }
            found = m_cache.emplace(cell.index, std::move(thumb)).first;
        }
        const Thumbnail& thumb = found->second;
        if (!thumb.loaded)
            continue; // the cell stays empty
        const vkprint::PageRect imageRect = vkprint::ThumbnailImageRect(cell, thumb.width, thumb.height);
        if (!thumb.reduced.isNull())
            painter.drawImage(ToDevice(imageRect), thumb.reduced);
        const int textLeft = cell.imageBox.left;
        const int textRight = cell.imageBox.right;
        if (cell.hasName) {
            const std::string& name = m_names[size_t(cell.index)];
            const int x = vkprint::AlignText(m_settings.printInfoAlign, TextWidth(name), textLeft, textRight);
            painter.drawText(TextOrigin(x, cell.name.top), Q(name));
        }
        if (cell.hasDimensions) {
            const std::string dims = vkprint::DimensionsText(m_settings, thumb.width, thumb.height);
            const int x = vkprint::AlignText(m_settings.printInfoAlign, TextWidth(dims), textLeft, textRight);
            painter.drawText(TextOrigin(x, cell.dimensionsTop), Q(dims));
        }
    }
}

QStringList CPrintJob::TakeMessages()
{
    QStringList out;
    out.swap(m_messages);
    return out;
}

namespace {

void ShowMessages(const QStringList& messages)
{
    for (const QString& text : messages)
        vkui::ask(text);
}

} // namespace

bool RunPrint(CSettings& settings, const vkprint::PrintRequest& request, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    CPrintJob job(settings, request);
    job.Prepare(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, std::max(1, job.GetPageCount()));
    if (vkui::execDialog(dialog) != QDialog::Accepted)
        return false;
    job.Render(printer);
    ShowMessages(job.TakeMessages());
    return true;
}

bool RunPrintPreview(CSettings& settings, const vkprint::PrintRequest& request, QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    CPrintJob job(settings, request);
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle("Print Preview");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&job](QPrinter* target) {
        job.Render(*target);
        const QStringList messages = job.TakeMessages();
        // Shown once the preview has painted, not from inside its paint.
        if (!messages.isEmpty())
            QTimer::singleShot(0, qApp, [messages] { ShowMessages(messages); });
    });
    vkui::execDialog(dialog);
    return true;
}
