// Image > Information: the camera data of a file, every EXIF, IPTC and XMP
// tag with its type and value, read with exiv2.
#pragma once

#include "engine/metadata/Metadata.h"

#include <QDialog>

#include <string>

class QTableWidget;

class CInformationDlg : public QDialog {
    Q_OBJECT
  public:
    CInformationDlg(const std::string& path, const PhotoMetadata& metadata, QWidget* parent = nullptr);
    // The tag table: key, type, value per row.
    QTableWidget* Tags() const { return m_tags; }

  private:
    QTableWidget* m_tags;
};

// Reads the file's tags and shows the dialog.
void ShowInformation(QWidget* parent, const std::string& path);
