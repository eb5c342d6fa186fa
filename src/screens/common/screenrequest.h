#pragma once
// What a screen is opened with. The opener hands the request to the screen's factory, which
// gives it to the screen's model when it builds it; nothing travels to the next screen through
// the run's state, so a screen opened twice gets each time exactly what it was opened with.
#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

namespace orvena {

// How an edit or composition screen is opened. Each screen keeps its own Hungarian text for the
// mode where it is shown (title, caption).
enum class EditMode {
    New,     // a new record, document or line
    Modify,  // the list's current row
    Compose, // the customer or issuer edit while its header block is being composed
};

// The registers' "Megtekint" (preview only) and "Nyomtatás" (printing marks the document printed).
enum class PrintMode { View, Print };

// A header block composed for a record that is not stored yet (a pending copy): the edit screen
// fills it with its own field values and block, the composer works on them instead of the list's
// current row, and its "OK" writes the block back here, never to the database.
struct BlockDraft {
    QStringList fields;    // the field list's entries
    QString block;         // as stored: each line ended by CR LF
    bool composed = false; // the composer's "OK" was pressed
};

// The document a line screen belongs to: the composition screen that opens it passes its number
// and currency. A line screen is never opened without one.
struct DocumentRef {
    QString number = {};
    QString currency = {};
    // The named lock the composition screen works under, and whether its document is a new one
    // (no header may exist under the number): the line screen's store checks both.
    QString lock = {};
    bool unstored = false;
    bool printedAllowed = false; // a delivery note opened printed (by the "J" key)
    bool proforma = false;       // an invoice line screen working for a proforma (dijbsor)
};

struct ScreenRequest {
    EditMode mode = EditMode::New;
    std::optional<DocumentRef> document = {}; // line screens
    BlockDraft* draft = nullptr;              // header-block composers working for a pending copy
    // A register opened as a chooser: "Kiválaszt" writes the number of the document it stood
    // on here; leaving it any other way writes nothing.
    QString* chosen = nullptr;
    // A list opened as a chooser: set when the operator left it with Escape or the window's close
    // button, which hands over nothing ("Kiválaszt" and "Mégsem" hand over its current row).
    bool* dismissed = nullptr;
    // The stored document a composition screen modifies (EditMode::Modify), by its number: the
    // register names the document it stood on, the screen reads it afresh under its lock. The
    // invoice whose payments or e-mails a screen shows; the customer a reminder e-mail goes to.
    QString number = {};
    // A new invoice composed as the correction of the issued invoice of this number.
    QString corrected = {};
    // The day a screen reckons with (the receivables' day a reminder is written on).
    QDate day = {};

    // A composition screen opened to modify the stored document of this number.
    static ScreenRequest modifying(const QString& number)
    {
        ScreenRequest request;
        request.mode = EditMode::Modify;
        request.number = number;
        return request;
    }
    // A screen opened on one document (or customer) by its number.
    static ScreenRequest on(const QString& number)
    {
        ScreenRequest request;
        request.number = number;
        return request;
    }
};

} // namespace orvena
