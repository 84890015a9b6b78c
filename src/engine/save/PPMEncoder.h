// Portable pixmap writer: binary P6 with maxval 255.
#pragma once

#include "engine/picture/Bmp.h"
#include "engine/picture/RowSink.h"

#include <functional>
#include <memory>
#include <string>

class COutputFile;

class CPPMEncoder {
  public:
    // Throws CTextException; an existing file at path is then left as it was.
    void Save(const std::string& path, CBmp& bmp);
};

// "P<kind>\n<width> <height>\n255\n", shared with the graymap writer.
std::string PnmHeader(char kind, int width, int height);

// The same file written from rows as they are decoded. `beforeOpen` runs
// when the first row's size is known, before the file is made (it may
// throw). Nothing is left at path unless End is reached.
class CPPMRowWriter : public CRowSink {
  public:
    explicit CPPMRowWriter(std::string path, std::function<void()> beforeOpen = {});
    ~CPPMRowWriter() override;

    void Begin(int width, int height) override;
    void Rows(const uint8_t* const* rows, int count) override;
    void End() override;
    // True once End has committed the file.
    bool Written() const { return m_written; }

  private:
    std::string m_path;
    std::function<void()> m_beforeOpen;
    std::unique_ptr<COutputFile> m_file;
    int m_width = 0;
    bool m_written = false;
};
