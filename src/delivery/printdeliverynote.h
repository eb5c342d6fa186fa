#pragma once
// Printing of one delivery note in four copies with the total quantity and the copy mark.
#include "screens/common/screencontext.h"

#include <QString>

namespace orvena {

// Prints the delivery note of this number in the given mode ("Megtekint" shows it; "Nyomtatás"
// also marks it printed, once the document has been printed or written: a cancelled or failed
// print leaves it unprinted). Returns when the preview closes.
// Throws Error when the note cannot be printed; nothing has been written then.
void PrintDeliveryNote(ScreenContext& context, const QString& deliveryNoteNumber, PrintMode mode = PrintMode::View);

} // namespace orvena
