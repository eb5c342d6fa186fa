#pragma once
// The customer's and the issuer's master data shown read-only: under their own lists and beside
// the invoice and delivery-note screens. Which columns each value shows is defined here once;
// the screens caption and order the values each in their own way (as their operators know
// them), and those captions are the data below, one list per screen.
#include "querydisplay.h"
#include "screens/common/screens.h"

#include <vector>

class QPushButton;

namespace orvena {

// The captioned customer values of a screen: CustomerList, InvoiceComposer, InvoiceRegister,
// DeliveryComposer or DeliveryRegister (none for another screen).
std::vector<DetailCell> customerDetails(Screen screen);
// The captioned issuer values of a screen: IssuerList, InvoiceComposer, DeliveryComposer or
// DeliveryRegister (none for another screen).
std::vector<DetailCell> issuerDetails(Screen screen);

// The details page of a document screen: the screen's group ("Adatok", "Törzs adatok") of its
// captioned values following the current row of the customer or issuer query.
QWidget* customerDetailsPage(Screen screen, Query& customers, QWidget* parent);
QWidget* issuerDetailsPage(Screen screen, Query& issuers, QWidget* parent);

// The group "Vevö adatai" on a document's header page: the "Vevö" chooser button with the chosen
// customer's code, name and address beside it.
QWidget* customerSummary(QPushButton* chooser, Query& customers, QWidget* parent);

} // namespace orvena
