#pragma once
// "Import": replaces the whole article master (cikk) with the article list (termek) of the
// purchase-ticket program copied into the same database.
#include "screens/common/screencontext.h"

namespace orvena {

class ArticleImport {
public:
    explicit ArticleImport(ScreenContext& context) : m_context(context) {}

    // "Átvétel ": deletes the articles and inserts those of termek in one transaction. Returns
    // true when the articles were replaced (the screen then closes); on any failure the article
    // master stays as it was and the failure is shown.
    bool run();

private:
    ScreenContext& m_context;
};

} // namespace orvena
