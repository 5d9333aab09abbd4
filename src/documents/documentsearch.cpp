#include "documents/documentsearch.h"

#include "documents/documentrules.h"
#include "storage/programfolder.h"

#include "ui_documentsearch.h"

using namespace Qt::Literals::StringLiterals;

DocumentSearch::DocumentSearch(Target target, QWidget* parent)
    : ui::SearchScreen(parent)
    , m_ui(new Ui::DocumentSearch)
{
    m_ui->setupUi(this);
    setFixedSize(size());
    const QString path = programFolder::file(programFolder::Documents);
    setUpSearch({
        u"Riepilogo documenti"_s,
        lists::LineOrder::Text,
        {m_ui->txtDocumento, m_ui->txtProtocollo, m_ui->txtProduttore, m_ui->txtDataPro, m_ui->txtDestinatario,
         m_ui->txtOggetto, m_ui->txtTipo, m_ui->txtClassificazione, m_ui->txtRiferimenti, m_ui->txtNote},
        {m_ui->effDocumento, m_ui->effProtocollo, m_ui->effProduttore, m_ui->effDataPro, m_ui->effDestinatario,
         m_ui->effOggetto, m_ui->effTipo, m_ui->effClassificazione, m_ui->effRiferimenti, m_ui->effNote},
        [path](const QStringList& typed) {
            lists::Criteria<records::DocumentLayout> criteria;
            for (std::size_t i = 0; i < documents::SearchFields.size(); ++i)
                criteria.add(documents::SearchFields[i], typed.value(qsizetype(i)));
            return lists::collectRows<records::DocumentLayout>(
                path, [&](const DocumentView& r) { return criteria.matches(r); }, documents::listLine);
        },
        [path, target](qint64 position) {
            if (!target)
                return;
            try {
                target(lists::recordAt<records::DocumentLayout>(path, position), position);
            } catch (const AccessFailure&) {
                // the search closes; the card keeps what it had
            }
        },
    });
}

DocumentSearch::~DocumentSearch() = default;
