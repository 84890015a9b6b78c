#include "ui/settings/OptionsDlg.h"

#include "models/browser/FileList.h"
#include "ui/widgets/Browse.h"
#include "ui/widgets/MessageService.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Pages lay their controls out top to bottom; a group collects the
// controls made while it is open.
class PageLayout {
  public:
    explicit PageLayout(QWidget* page) : m_page(new QVBoxLayout(page)) {}
    ~PageLayout() { m_page->addStretch(1); }
    QGroupBox* Group(const char* title)
    {
        auto* box = new QGroupBox(title);
        m_current = new QVBoxLayout(box);
        m_page->addWidget(box);
        return box;
    }
    void EndGroup() { m_current = nullptr; }
    void Add(QWidget* w) { (m_current ? m_current : m_page)->addWidget(w); }
    void Add(QLayout* l) { (m_current ? m_current : m_page)->addLayout(l); }

  private:
    QVBoxLayout* m_page;
    QVBoxLayout* m_current = nullptr;
};

} // namespace

void COptionsPage::Load(const CSettings& values)
{
    for (const Binding& b : m_bindings)
        b.load(values);
}

void COptionsPage::Save(CSettings& values) const
{
    for (const Binding& b : m_bindings)
        b.save(values);
}

QAbstractButton* COptionsPage::Check(const char* text, int32_t CSettings::*member)
{
    auto* box = new QCheckBox(text);
    m_bindings.push_back({[box, member](const CSettings& s) { box->setChecked(s.*member != 0); },
                          [box, member](CSettings& s) { s.*member = box->isChecked() ? 1 : 0; }});
    return box;
}

QAbstractButton* COptionsPage::CheckAt(const char* text, int position)
{
    auto* box = new QCheckBox(text);
    m_bindings.push_back({[box, position](const CSettings& s) { box->setChecked(*s.IntAt(position) != 0); },
                          [box, position](CSettings& s) { *s.IntAt(position) = box->isChecked() ? 1 : 0; }});
    return box;
}

QButtonGroup* COptionsPage::Radios(const std::vector<const char*>& texts, int32_t CSettings::*member)
{
    auto* group = new QButtonGroup(this);
    int id = 0;
    for (const char* text : texts)
        group->addButton(new QRadioButton(text), id++);
    m_bindings.push_back({[group, member](const CSettings& s) {
                              if (QAbstractButton* b = group->button(s.*member))
                                  b->setChecked(true);
                          },
                          [group, member](CSettings& s) {
                              if (group->checkedId() >= 0)
                                  s.*member = group->checkedId();
                          }});
    return group;
}

QComboBox* COptionsPage::List(const std::vector<const char*>& items, int32_t CSettings::*member)
{
    auto* list = new QComboBox;
    for (const char* item : items)
        list->addItem(item);
    m_bindings.push_back({[list, member](const CSettings& s) { list->setCurrentIndex(s.*member); },
                          [list, member](CSettings& s) {
                              if (list->currentIndex() >= 0)
                                  s.*member = list->currentIndex();
                          }});
    return list;
}

static void AddButtons(PageLayout& layout, QButtonGroup* group)
{
    for (QAbstractButton* b : group->buttons())
        layout.Add(b);
}

CBrowserPg::CBrowserPg(QWidget* parent) : COptionsPage(parent)
{
    PageLayout l(this);
    l.Group("Preview");
    l.Add(Check("&Enable preview", &CSettings::browserPreviewEnabled));
    l.Add(Check("S&hrink image to fit in preview window", &CSettings::browserPreviewShrink));
    l.Add(Check("E&nlarge image to fit in preview window", &CSettings::browserPreviewEnlarge));
    l.EndGroup();
    l.Add(Check("&Show full path in title bar", &CSettings::browserFullPathInTitle));
}

CDisplayPg::CDisplayPg(QWidget* parent) : COptionsPage(parent)
{
    PageLayout l(this);
    l.Group("Show filetypes");
    for (const FileKind* kind : DisplayKinds())
        l.Add(CheckAt(kind->displayLabel, CSettings::kFirstShowPosition + kind->slot));
}

CFilingPg::CFilingPg(QWidget* parent) : COptionsPage(parent)
{
    PageLayout l(this);
    l.Group("Overwrite existing");
    AddButtons(l, Radios({"&Ask", "&Replace", "Re&name", "&Skip"}, &CSettings::overwritePolicy));
    l.Group("Get confirmation before");
    l.Add(Check("S&ingle file delete", &CSettings::confirmSingleDelete));
    l.Add(Check("Mu&ltiple file delete", &CSettings::confirmMultipleDelete));
    l.Add(Check("&Copy/move files", &CSettings::confirmCopyMove));
    l.Group("Automatically select file");
    l.Add(Check("A&fter copy/move", &CSettings::selectAfterCopyMove));
    l.Add(Check("After &delete", &CSettings::selectAfterDelete));
    l.Add(Check("After con&vert", &CSettings::selectAfterConvert));
    l.Group("File extension");
    l.Add(Check("&Use upper case", &CSettings::upperCaseExtension));
    l.Group("File delete");
    l.Add(Check("Use recycle &bin", &CSettings::useRecycleBin));
}

CSlideShowPg::CSlideShowPg(QWidget* parent) : COptionsPage(parent)
{
    PageLayout l(this);
    l.Group("Sequence");
    AddButtons(l, Radios({"&Forward", "&Backward", "&Random"}, &CSettings::slideSequence));
    l.Group("Delay");
    m_delayText = new QLabel;
    m_slider = new QSlider(Qt::Horizontal);
    m_slider->setRange(0, 10);
    m_slider->setSingleStep(1);
    m_slider->setPageStep(1);
    m_slider->setTickInterval(1);
    m_slider->setTickPosition(QSlider::TicksBelow);
    l.Add(m_delayText);
    l.Add(m_slider);
    connect(m_slider, &QSlider::valueChanged, this, &CSlideShowPg::OnSlider);
    l.Group("Image size");
    AddButtons(l, Radios({"B&est fit", "&Full size", "S&mall"}, &CSettings::slideImageSize));
    l.Group("Position");
    AddButtons(l, Radios({"&Center", "&Upper left corner"}, &CSettings::slidePosition));
    l.EndGroup();
    l.Add(Check("&Delay flip until next image is loaded", &CSettings::slideDelayFlip));
}

QString CSlideShowPg::DelayText(int seconds)
{
    if (seconds == 0)
        return "no delay";
    if (seconds == 1)
        return "1 second";
    return QString::number(seconds) + " seconds";
}

QString CSlideShowPg::GetDelayText() const
{
    return m_delayText->text();
}

void CSlideShowPg::OnSlider(int position)
{
    m_delay = position;
    m_delayText->setText(DelayText(position));
}

void CSlideShowPg::Load(const CSettings& values)
{
    COptionsPage::Load(values);
    m_delay = CSettings::Clamp(106, values.slideDelaySeconds);
    m_delayText->setText(DelayText(m_delay));
    const QSignalBlocker block(m_slider);
    m_slider->setValue(m_delay);
}

void CSlideShowPg::Save(CSettings& values) const
{
    COptionsPage::Save(values);
    values.slideDelaySeconds = m_delay;
}

CViewerPg::CViewerPg(QWidget* parent) : COptionsPage(parent)
{
    PageLayout l(this);
    l.Group("Image size");
    l.Add(Check("&Shrink to fit in window", &CSettings::viewerShrink));
    l.Add(Check("&Enlarge to fit in window", &CSettings::viewerEnlarge));
    l.EndGroup();
    l.Add(Check("Show full path in &title bar", &CSettings::viewerFullPathInTitle));
}

CMiscPg::CMiscPg(CFileList& fileList, QWidget* parent) : COptionsPage(parent), m_fileList(fileList)
{
    PageLayout l(this);
    l.Group("Units");
    auto* units = new QGridLayout;
    units->addWidget(new QLabel("Image size in:"), 0, 0);
    units->addWidget(List({"pixels", "inches", "millimeters", "centimeters"}, &CSettings::imageSizeUnit), 0,
                     1);
    units->addWidget(new QLabel("File size in:"), 1, 0);
    units->addWidget(List({"bytes", "KB", "MB"}, &CSettings::fileSizeUnit), 1, 1);
    l.Add(units);
    l.Group("Save on exit");
    l.Add(Check("&Recently used folders list", &CSettings::saveRecentFolders));
    l.Add(Check("&Settings", &CSettings::saveSettingsOnExit));
    l.Group("Home directory");
    m_folder = new QLabel;
    m_folder->setFrameShape(QFrame::StyledPanel);
    m_folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_folder->setMinimumWidth(280);
    l.Add(m_folder);
    auto* row = new QHBoxLayout;
    row->addWidget(Check("&Always start up in this folder", &CSettings::startInHome));
    auto* browse = new QPushButton("&Browse...");
    connect(browse, &QPushButton::clicked, this, &CMiscPg::OnBrowse);
    row->addWidget(browse);
    l.Add(row);
    l.EndGroup();
    l.Add(Check("Show print set&up before printing", &CSettings::printSetupFirst));
}

void CMiscPg::Load(const CSettings& values)
{
    COptionsPage::Load(values);
    m_folder->setText(QString::fromStdString(values.homeDirectory));
    m_changed = false;
}

void CMiscPg::Save(CSettings& values) const
{
    COptionsPage::Save(values);
    if (m_changed)
        values.homeDirectory = m_folder->text().toStdString();
}

QString CMiscPg::GetFolderText() const
{
    return m_folder->text();
}

void CMiscPg::OnBrowse()
{
    // The picker starts in the current directory and leaves its choice in
    // the file list's destination.
    m_fileList.SetDestinationDir(m_fileList.GetCurrentDir());
    CBrowseDlg picker(m_fileList, this);
    if (vkui::execDialog(picker) != QDialog::Accepted)
        return;
    const std::string chosen = m_fileList.GetDestinationDir();
    // "*" ends the home folder in "vk.set"; such a folder cannot be kept.
    if (chosen.empty() || chosen.find('*') != std::string::npos)
        return;
    m_folder->setText(QString::fromStdString(chosen));
    m_changed = true;
}

COptionsDlg::COptionsDlg(const CSettings& settings, CFileList& fileList, QWidget* parent)
    : QDialog(parent), m_start(settings)
{
    setWindowTitle("Options");
    m_tabs = new QTabWidget;
    // All six tabs in view: the sheet is as wide as its tab row.
    m_tabs->setUsesScrollButtons(false);
    const std::pair<COptionsPage*, const char*> pages[] = {
        {new CBrowserPg, "Browser"},     {new CDisplayPg, "Display"}, {new CFilingPg, "Filing"},
        {new CSlideShowPg, "Sile Show"}, {new CViewerPg, "Viewer"},   {new CMiscPg(fileList), "Misc"},
    };
    for (const auto& [page, title] : pages) {
        page->Load(settings);
        m_tabs->addTab(page, title);
        m_pages.push_back(page);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(buttons);
}

COptionsPage* COptionsDlg::GetPage(int index) const
{
    return index >= 0 && size_t(index) < m_pages.size() ? m_pages[size_t(index)] : nullptr;
}

CSettings COptionsDlg::GetValues() const
{
    CSettings values = m_start;
    for (const COptionsPage* page : m_pages)
        page->Save(values);
    values.ClampAll();
    return values;
}

bool RunOptionsDialog(CSettings& settings, CFileList& fileList, QWidget* parent, bool& typesChanged)
{
    typesChanged = false;
    COptionsDlg dialog(settings, fileList, parent);
    if (vkui::execDialog(dialog) != QDialog::Accepted)
        return false;
    const CSettings values = dialog.GetValues();
    for (int position = 81; position <= 95; ++position)
        typesChanged = typesChanged || *values.IntAt(position) != *settings.IntAt(position);
    settings = values;
    return true;
}
