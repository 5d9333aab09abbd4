#include "contacts/contactsarea.h"


ContactsArea::ContactsArea(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Anagrafica contatti"), QStringLiteral("Anagrafica contatti"), QStringLiteral("x-office-address-book;contact-new"), parent)
{
    setObjectName(QStringLiteral("frmClienti"));
}
