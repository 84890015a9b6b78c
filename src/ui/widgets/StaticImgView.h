// CStaticImgView: the picture box of the Find Images and Compare
// Directories dialogs. Decodes a file into a picture of its own off the GUI
// thread, keeps it, and draws it reduced (or enlarged) to fit on every
// paint. No zoom, scrolling or editing.
#pragma once

#include "engine/edit/Picture.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>

class CStaticImgLoader;
struct StaticImgResult;

namespace vkstatic {

// Where the displayed picture starts: centred on an axis where it is
// shorter than the box with `centre`, else at 0.
int PlaceAxis(int length, int box, bool centre);

} // namespace vkstatic

class CStaticImgView : public QWidget {
    Q_OBJECT
  public:
    explicit CStaticImgView(QWidget* parent = nullptr);
    ~CStaticImgView() override;

    // Starts decoding `path`; the outcome arrives as Loaded. A newer Load
    // supersedes one still decoding. Undecodable files show "Unknow format".
    void Load(const QString& path, bool centre = true, bool enlarge = true);
    // Empties the box.
    void Clear();

    // The picture's own size (0 before a successful load).
    int GetImageWidth() const { return m_imageWidth; }
    int GetImageHeight() const { return m_imageHeight; }
    bool HasImage() const { return m_hasImage; }
    bool IsLoading() const { return m_pendingId != m_appliedId; }
    bool ShowsUnknownFormat() const { return m_unknown; }
    QString GetPath() const { return m_path; }
    // Where the picture is drawn in the box, and at what size.
    QRect GetImageRect() const { return m_imageRect; }

    // For tests: processes events until the pending load is applied or
    // `timeoutMs` ran out; true when nothing is pending.
    bool WaitForLoad(int timeoutMs = 10000);

  signals:
    void Loaded(bool success, const QString& path);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Apply(std::shared_ptr<StaticImgResult> result);
    void Request(bool decode);

    std::unique_ptr<CStaticImgLoader> m_loader;
    std::shared_ptr<const CPicture> m_picture;
    QImage m_scaled;
    QRect m_imageRect;
    QString m_path;
    bool m_centre = true;
    bool m_enlarge = true;
    bool m_decoding = false; // the newest request decodes m_path
    bool m_hasImage = false;
    bool m_unknown = false;
    int m_imageWidth = 0;
    int m_imageHeight = 0;
    uint64_t m_pendingId = 0;
    uint64_t m_appliedId = 0;
};
