#include "shell/screens.h"

#include "appointments/agenda.h"
#include "appointments/archivioscadenze.h"
#include "contacts/clienti.h"
#include "documents/altri.h"
#include "shell/avvio.h"
#include "shell/cambiapassword.h"
#include "shell/password.h"
#include "summaries/menuriepcosti.h"
#include "ui/widgets.h"

namespace shell {

void createScreens()
{
    frmPassword = new TfrmPassword;
    frmAvvio = new TfrmAvvio;
    frmAgenda = new TfrmAgenda;
    frmArchivio_Scadenze = new TfrmArchivio_Scadenze;
    frmCambiaPassword = new TfrmCambiaPassword;
    frmClienti = new TfrmClienti;
    frmMenuRiepCosti = new TfrmMenuRiepCosti;
    frmAltri = new TfrmAltri;
    ui::AreaScreen::setHome(frmAvvio);
    for (QWidget* screen : std::initializer_list<QWidget*> {frmPassword, frmAvvio, frmAgenda, frmArchivio_Scadenze,
                                                            frmCambiaPassword, frmClienti, frmMenuRiepCosti, frmAltri})
        ui::centreWindow(screen);
}

namespace {
template <typename T>
void destroy(T*& screen)
{
    delete screen;
    screen = nullptr;
}
} // namespace

void destroyScreens()
{
    destroy(frmAltri);
    destroy(frmMenuRiepCosti);
    destroy(frmClienti);
    destroy(frmCambiaPassword);
    destroy(frmArchivio_Scadenze);
    destroy(frmAgenda);
    destroy(frmAvvio);
    destroy(frmPassword);
    ui::AreaScreen::setHome(nullptr);
}

} // namespace shell
