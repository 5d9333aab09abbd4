#include "contacts/contactsearch.h"

#include "contacts/contactrules.h"
#include "storage/programfolder.h"
#include "ui/widgets.h"

#include "ui_contactsearch.h"

using namespace Qt::Literals::StringLiterals;

ContactSearch::ContactSearch(Target target, QWidget* parent)
    : ui::SearchScreen(parent)
    , m_ui(new Ui::ContactSearch)
{
    m_ui->setupUi(this);
    ui::setFixedDialog(this);
    auto [search, pick] = ui::searchOver<records::ContactLayout>(
        programFolder::Contacts, contacts::SearchFields, &contacts::searchLine, std::move(target));
    setUpSearch({
        u"Riepilogo contatti"_s,
        lists::LineOrder::CaseFoldAZ,
        { m_ui->txtCliente, m_ui->txtComuneRes, m_ui->txtPartitaIva, m_ui->txtCodFisc, m_ui->txtDocumento,
            m_ui->txtOccupazione, m_ui->txtProdotti, m_ui->txtZona, m_ui->txtQuestioni, m_ui->txtNote },
        { m_ui->effCliente, m_ui->effComuneRes, m_ui->effPartitaIva, m_ui->effCodFisc, m_ui->effDocumento,
            m_ui->effOccupazione, m_ui->effProdotti, m_ui->effZona, m_ui->effQuestioni, m_ui->effNote },
        std::move(search),
        std::move(pick),
    });
}

ContactSearch::~ContactSearch() = default;
