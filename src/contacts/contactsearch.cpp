#include "contacts/contactsearch.h"

#include "contacts/contactrules.h"
#include "storage/programfolder.h"

#include "ui_contactsearch.h"

using namespace Qt::Literals::StringLiterals;

ContactSearch::ContactSearch(Target target, QWidget* parent)
    : ui::SearchScreen(parent)
    , m_ui(new Ui::ContactSearch)
{
    m_ui->setupUi(this);
    setFixedSize(size());
    const QString path = programFolder::file(programFolder::Contacts);
    setUpSearch({
        u"Riepilogo contatti"_s,
        lists::LineOrder::CaseFoldAZ,
        {m_ui->txtCliente, m_ui->txtComuneRes, m_ui->txtPartitaIva, m_ui->txtCodFisc, m_ui->txtDocumento,
         m_ui->txtOccupazione, m_ui->txtProdotti, m_ui->txtZona, m_ui->txtQuestioni, m_ui->txtNote},
        {m_ui->effCliente, m_ui->effComuneRes, m_ui->effPartitaIva, m_ui->effCodFisc, m_ui->effDocumento,
         m_ui->effOccupazione, m_ui->effProdotti, m_ui->effZona, m_ui->effQuestioni, m_ui->effNote},
        [path](const QStringList& typed) {
            lists::Criteria<records::ContactLayout> criteria;
            for (std::size_t i = 0; i < contacts::SearchFields.size(); ++i)
                criteria.add(contacts::SearchFields[i], typed.value(qsizetype(i)));
            return lists::collectRows<records::ContactLayout>(
                path, [&](const ContactView& r) { return criteria.matches(r); }, contacts::searchLine);
        },
        [path, target](qint64 position) {
            if (!target)
                return;
            try {
                target(lists::recordAt<records::ContactLayout>(path, position), position);
            } catch (const AccessFailure&) {
                // the search closes; the caller keeps what it had
            }
        },
    });
}

ContactSearch::~ContactSearch() = default;
