#include "documents/documentsearch.h"

#include "documents/documentrules.h"
#include "storage/programfolder.h"
#include "ui/widgets.h"

#include "ui_documentsearch.h"

using namespace Qt::Literals::StringLiterals;

DocumentSearch::DocumentSearch(Target target, QWidget* parent)
    : ui::SearchScreen(parent)
    , m_ui(new Ui::DocumentSearch)
{
    m_ui->setupUi(this);
    ui::setFixedDialog(this);
    auto [search, pick] = ui::searchOver<records::DocumentLayout>(
        programFolder::Documents, documents::SearchFields, &documents::listLine, std::move(target));
    setUpSearch({
        u"Riepilogo documenti"_s,
        lists::LineOrder::Text,
        { m_ui->txtDocumento, m_ui->txtProtocollo, m_ui->txtProduttore, m_ui->txtDataPro, m_ui->txtDestinatario,
            m_ui->txtOggetto, m_ui->txtTipo, m_ui->txtClassificazione, m_ui->txtRiferimenti, m_ui->txtNote },
        { m_ui->effDocumento, m_ui->effProtocollo, m_ui->effProduttore, m_ui->effDataPro, m_ui->effDestinatario,
            m_ui->effOggetto, m_ui->effTipo, m_ui->effClassificazione, m_ui->effRiferimenti, m_ui->effNote },
        std::move(search),
        std::move(pick),
    });
}

DocumentSearch::~DocumentSearch() = default;
