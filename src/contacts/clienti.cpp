#include "contacts/clienti.h"

TfrmClienti* frmClienti = nullptr;

TfrmClienti::TfrmClienti(QWidget* parent)
    : ui::PlaceholderArea(QStringLiteral(" Quirvale 5.0 - Anagrafica contatti"), QStringLiteral("Anagrafica contatti"), QStringLiteral("x-office-address-book;contact-new"), parent)
{
}
