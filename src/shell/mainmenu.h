#pragma once

#include <QScopedPointer>
#include <QWidget>

#include <functional>

namespace ui {
class AreaScreen;
}
namespace Ui {
class MainMenu;
}

// The main menu: the four working areas, help, information, the maker's site,
// the sync with a calendar server and the end of the run.
class MainMenu : public QWidget {
    Q_OBJECT
public:
    // The four working areas, in the order of the menu.
    struct Areas {
        ui::AreaScreen* contacts;
        ui::AreaScreen* agenda;
        ui::AreaScreen* summaries;
        ui::AreaScreen* documents;
    };
    explicit MainMenu(const Areas& areas, QWidget* parent = nullptr);
    ~MainMenu() override;
    // What "Impostazioni" opens over the menu; nothing until it is given.
    void setSettingsScreen(std::function<void(QWidget* parent)> open) { m_settings = std::move(open); }
    // What opens the card of a record chosen on the sync screen (a conflict
    // copy, a record removed on the server): `appointment` or a contact.
    void setRecordOpener(std::function<void(bool appointment, qint64 position)> open)
    {
        m_openRecord = std::move(open);
    }

    // Opens an area over the menu, which hides.
    void openArea(ui::AreaScreen* area);

    static const QString WebSite;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QScopedPointer<Ui::MainMenu> m_ui;
    std::function<void(QWidget*)> m_settings;
    std::function<void(bool, qint64)> m_openRecord;
};
