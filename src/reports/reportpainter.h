#pragma once
// Paints a page model onto any paged device: printer, PDF writer, preview.
#include "pagemodel.h"

#include <QByteArray>
#include <QString>

class QPagedPaintDevice;
class QPainter;

namespace orvena::reports {

class LineLayouts;

// Paints one page with the painter already on the device; the device's paint rectangle is
// taken as the whole page.
void paintPage(QPainter& painter, const PageModel& model, const Page& page);
// The same, drawing the lines of text through layouts kept for the pages of one device.
void paintPage(QPainter& painter, const PageModel& model, const Page& page, LineLayouts& layouts);
// Paints every page, starting a new device page between them. Throws Error when the device
// cannot be painted on.
void paintReport(const PageModel& model, QPagedPaintDevice& device);
// Writes the report as an A4 PDF. The file appears only when it is complete; throws FileError.
void writePdf(const PageModel& model, const QString& fileName);
// The same PDF, in memory.
QByteArray pdfBytes(const PageModel& model);

} // namespace orvena::reports
