#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class TfrmAvvio;
}

// The main menu: the four working areas, help, information, the maker's site
// and the end of the run.
class TfrmAvvio : public QWidget {
    Q_OBJECT
public:
    explicit TfrmAvvio(QWidget* parent = nullptr);
    ~TfrmAvvio() override;

    static const QString WebSite;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void openArea(QWidget* area);
    QScopedPointer<Ui::TfrmAvvio> ui;
};

extern TfrmAvvio* frmAvvio;
