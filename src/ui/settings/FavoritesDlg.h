// The favorites dialogs: "Add to Favorites", "Organize Favorites" and the
// small rename prompt Organize uses.
#pragma once

#include "models/settings/Favorites.h"

#include <QDialog>

#include <string>

class QLabel;
class QLineEdit;
class QListWidget;

class CAddToFavoritesDlg : public QDialog {
    Q_OBJECT
  public:
    // The target is `folder`, plus the file when one is current.
    CAddToFavoritesDlg(CFavorites& favorites, std::string folder, std::string file,
                       QWidget* parent = nullptr);
    void accept() override;
    QLineEdit* GetNameEdit() const { return m_name; }
    QString GetTargetText() const;

  private:
    CFavorites& m_favorites;
    std::string m_folder;
    std::string m_file;
    QLabel* m_target = nullptr;
    QLineEdit* m_name = nullptr;
};

// "Rename " + name + " to": an edit starting with the name.
class CRenameFavoriteDlg : public QDialog {
    Q_OBJECT
  public:
    CRenameFavoriteDlg(const QString& name, QWidget* parent = nullptr);
    QLineEdit* GetNameEdit() const { return m_name; }
    QString GetName() const;

  private:
    QLineEdit* m_name = nullptr;
};

class COrganizeFavoritesDlg : public QDialog {
    Q_OBJECT
  public:
    COrganizeFavoritesDlg(CFavorites& favorites, QWidget* parent = nullptr);
    void OnSelect();
    void OnRename();
    void OnDelete();
    QListWidget* GetList() const { return m_list; }
    QString GetPathText() const;

  private:
    void Fill(int select);
    CFavorites& m_favorites;
    QListWidget* m_list = nullptr;
    QLabel* m_path = nullptr;
};

// Runs Add to Favorites; true when a favorite was added.
bool RunAddToFavorites(CFavorites& favorites, const std::string& folder, const std::string& file,
                       QWidget* parent);
// Runs Organize Favorites.
void RunOrganizeFavorites(CFavorites& favorites, QWidget* parent);
