#pragma once
// Lays a template out into a page model: the design pages one after the other (the copies), each
// band at the running position, the line band once per row of its dataset, a new page whenever
// a band does not fit above the page footer, the page footer on every page and the page-end
// handler after it. Text wraps at blanks and is never cut: an object whose lines need more room
// than its box grows, what lies below it in the band moves down, the band grows with it, and a
// band taller than a page continues on the next page.
#include "pagemodel.h"
#include "reporttemplate.h"

#include "screens/common/reportpresenter.h"

namespace orvena::reports {

// Throws Error for an expression the template cannot evaluate (unknown name, missing field).
PageModel layoutReport(const ReportTemplate& design, const ReportJob& job, const ReportVariables& variables);

// The value of one bracketed value in a "number with n decimals" object: numbers (and texts
// holding one number) grouped with "," and n decimals, any other text unchanged.
QString formatForNumberObject(const QString& text, int decimals);

} // namespace orvena::reports
