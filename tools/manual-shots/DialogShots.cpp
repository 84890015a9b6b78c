// Draws each saving and editing dialog into a PNG for the
// manual. Run on demand, under a virtual X server:
//   VELKOR_SHOTS_DIR=resources/manual/images xvfb-run -a \
//     build/tools/manual-shots/velkor_manual_shots --gtest_filter='DialogShots.*'
#include "engine/picture/FormatRegistry.h"
#include "ui/edit/BrightContGamma.h"
#include "ui/edit/CanvasSize.h"
#include "ui/edit/ColorBalance.h"
#include "ui/edit/HistogramDlg.h"
#include "ui/edit/Resize.h"
#include "ui/edit/Rotate.h"
#include "ui/edit/Shear.h"
#include "ui/save/Convert.h"
#include "ui/save/JPEGOptions.h"
#include "ui/save/PCXOptions.h"
#include "ui/save/PICTOptions.h"
#include "ui/save/PNGOptions.h"
#include "ui/save/QualityOptions.h"
#include "ui/save/TGAOptions.h"
#include "ui/save/TIFFOptions.h"

#include <QApplication>
#include <QPixmap>

#include <cmath>

#include <gtest/gtest.h>

namespace {

void Shoot(QDialog& dialog, const char* name)
{
    const QByteArray dir = qgetenv("VELKOR_SHOTS_DIR");
    ASSERT_FALSE(dir.isEmpty()) << "set VELKOR_SHOTS_DIR";
    dialog.adjustSize();
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_TRUE(dialog.grab().save(QString::fromUtf8(dir) + "/" + name + ".png"));
    dialog.hide();
}

} // namespace

TEST(DialogShots, SaveEveryDialog)
{
    CJPEGOptions jpeg(60, 0, false, false);
    Shoot(jpeg, "jpeg-options");
    CPCXOptions pcx("PCX Options", 0);
    Shoot(pcx, "pcx-options");
    CPNGOptions png("PNG Options", false);
    Shoot(png, "png-options");
    CTGAOptions tga("TGA Options", false, 0);
    Shoot(tga, "tga-options");
    CTIFFOptions tiff(0);
    Shoot(tiff, "tiff-options");
    CPICTOptions pict(true);
    Shoot(pict, "pict-options");
    // The newer formats' dialog with the values it has at first.
    const SaveOptionValues values;
    CQualityOptions webp(SaveTargetOfExtension("webp")->options, values);
    Shoot(webp, "webp-options");
    CQualityOptions jxl(SaveTargetOfExtension("jxl")->options, values);
    Shoot(jxl, "jxl-options");
    CConvertDlg convert(1, false, 0);
    Shoot(convert, "convert");
    CBrightContGammaDlg gamma(CBrightContGammaDlg::Gamma);
    Shoot(gamma, "gamma");
    CColorBalanceDlg balance(0, 0, 0);
    Shoot(balance, "color-balance");
    CRotateDlg rotate(45, 0, 2);
    Shoot(rotate, "rotate");
    CShearDlg shear(45, true, 0);
    Shoot(shear, "shear");
    CCanvasSizeDlg canvas(640, 480, 0, 0);
    Shoot(canvas, "canvas-size");
    CResizeDlg resize(640, 480, 2, true);
    Shoot(resize, "resize");
    CHistogramDlg histogram;
    for (int i = 0; i < 256; ++i)
        histogram.Histogram().luminance[i] = 2000 + int(1800 * std::sin(i / 40.0)) + (i * 37 % 11) * 60;
    Shoot(histogram, "histogram");
}
