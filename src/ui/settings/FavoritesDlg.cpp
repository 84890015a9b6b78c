#include "ui/settings/FavoritesDlg.h"

#include "models/platform/Path.h"
#include "ui/widgets/MessageService.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

QString TargetOf(const std::string& folder, const std::string& file)
{
    return Q(file.empty() ? folder : vkpath::Join(folder, file));
}

} // namespace

CAddToFavoritesDlg::CAddToFavoritesDlg(CFavorites& favorites, std::string folder, std::string file,
                                       QWidget* parent)
    : QDialog(parent), m_favorites(favorites), m_folder(std::move(folder)), m_file(std::move(file))
{
    setWindowTitle("Add to Favorites");
    m_target = new QLabel(TargetOf(m_folder, m_file));
    m_target->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_name = new QLineEdit;
    auto* nameLabel = new QLabel("Name:");
    nameLabel->setBuddy(m_name);
    auto* ok = new QPushButton("&OK");
    auto* cancel = new QPushButton("&Cancel");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &CAddToFavoritesDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CAddToFavoritesDlg::reject);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_target, 0, 0, 1, 2);
    layout->addWidget(nameLabel, 1, 0);
    layout->addWidget(m_name, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 2, 0, 1, 2);
    setMinimumWidth(360);
}

QString CAddToFavoritesDlg::GetTargetText() const
{
    return m_target->text();
}

void CAddToFavoritesDlg::accept()
{
    const std::string name = m_name->text().toStdString();
    switch (m_favorites.CheckName(name)) {
    case CFavorites::NameCheck::Empty:
        return; // stays open without a word
    case CFavorites::NameCheck::Taken:
    case CFavorites::NameCheck::Unstorable:
        vkui::ask(CFavorites::kTextNameTaken);
        return;
    case CFavorites::NameCheck::Ok:
        break;
    }
    m_favorites.AddFavorite(name, m_folder, m_file, CFavorites::IconIndexFor(m_file));
    QDialog::accept();
}

CRenameFavoriteDlg::CRenameFavoriteDlg(const QString& name, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Rename");
    m_name = new QLineEdit(name);
    m_name->selectAll();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Rename " + name + " to"));
    layout->addWidget(m_name);
    layout->addWidget(buttons);
}

QString CRenameFavoriteDlg::GetName() const
{
    return m_name->text();
}

COrganizeFavoritesDlg::COrganizeFavoritesDlg(CFavorites& favorites, QWidget* parent)
    : QDialog(parent), m_favorites(favorites)
{
    setWindowTitle("Organize Favorites");
    m_list = new QListWidget;
    m_path = new QLabel;
    m_path->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* rename = new QPushButton("&Rename");
    auto* remove = new QPushButton("&Delete");
    auto* ok = new QPushButton("&OK");
    ok->setDefault(true);
    connect(m_list, &QListWidget::currentRowChanged, this, &COrganizeFavoritesDlg::OnSelect);
    connect(rename, &QPushButton::clicked, this, &COrganizeFavoritesDlg::OnRename);
    connect(remove, &QPushButton::clicked, this, &COrganizeFavoritesDlg::OnDelete);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* side = new QVBoxLayout;
    side->addWidget(rename);
    side->addWidget(remove);
    side->addStretch(1);
    side->addWidget(ok);
    auto* top = new QHBoxLayout;
    top->addWidget(m_list, 1);
    top->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_path);
    Fill(-1);
    resize(420, 300);
}

QString COrganizeFavoritesDlg::GetPathText() const
{
    return m_path->text();
}

void COrganizeFavoritesDlg::Fill(int select)
{
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const std::string& name : m_favorites.favoriteNames)
        m_list->addItem(Q(name));
    m_list->setCurrentRow(select);
}

void COrganizeFavoritesDlg::OnSelect()
{
    Favorite f;
    if (m_favorites.GetFavorite(m_list->currentRow(), f))
        m_path->setText(Q(f.folder) + "/" + Q(f.file));
}

void COrganizeFavoritesDlg::OnRename()
{
    const int index = m_list->currentRow();
    Favorite f;
    if (!m_favorites.GetFavorite(index, f))
        return;
    QString name = Q(f.name);
    for (;;) {
        CRenameFavoriteDlg prompt(name, this);
        if (vkui::execDialog(prompt) != QDialog::Accepted)
            return;
        name = prompt.GetName();
        const CFavorites::NameCheck check = m_favorites.CheckName(name.toStdString());
        if (check == CFavorites::NameCheck::Empty)
            continue; // shown again
        if (check != CFavorites::NameCheck::Ok) {
            // Including the favorite's own name.
            vkui::ask(CFavorites::kTextNameTaken);
            continue;
        }
        m_favorites.RenameFavorite(index, name.toStdString());
        Fill(index);
        return;
    }
}

void COrganizeFavoritesDlg::OnDelete()
{
    const int index = m_list->currentRow();
    if (index < 0 || index >= m_favorites.GetCount())
        return;
    if (vkui::ask(CFavorites::kTextDeleteQuestion, vkui::Buttons::YesNo, vkui::Icon::Question) !=
        vkui::Answer::Yes)
        return;
    m_favorites.DeleteFavorite(index);
    Fill(-1);
    m_path->clear();
}

bool RunAddToFavorites(CFavorites& favorites, const std::string& folder, const std::string& file,
                       QWidget* parent)
{
    CAddToFavoritesDlg dialog(favorites, folder, file, parent);
    return vkui::execDialog(dialog) == QDialog::Accepted;
}

void RunOrganizeFavorites(CFavorites& favorites, QWidget* parent)
{
    COrganizeFavoritesDlg dialog(favorites, parent);
    vkui::execDialog(dialog);
}
