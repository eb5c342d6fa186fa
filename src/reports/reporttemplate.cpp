#include "reporttemplate.h"

#include "expression.h"

#include "db/errors.h"

#include <QFile>
#include <QXmlStreamReader>

namespace orvena::reports {

const Band* DesignPage::band(BandKind kind) const
{
    for (const Band& b : bands)
        if (b.kind == kind)
            return &b;
    return nullptr;
}

namespace {

// What a sane template stays within: a template beyond these is refused before anything is laid
// out, as a careless or hostile one could otherwise exhaust the memory, the disk or the stack.
constexpr double kMaxUnits = 10000;       // positions, sizes and lengths (about 2.6 m)
constexpr double kMinPageUnits = 96;      // one inch
constexpr double kMaxFontPoints = 200;
constexpr int kMaxDecimals = 10;
constexpr double kMaxLineWidth = 20;      // borders and rules
constexpr size_t kMaxPages = 20;          // design pages (copies)
constexpr size_t kMaxObjectsPerBand = 2000;
constexpr qsizetype kMaxContent = 20000;  // characters of one text object
constexpr qint64 kMaxTemplateBytes = 4 * 1024 * 1024;

QString bandName(BandKind kind)
{
    switch (kind) {
    case BandKind::Header:
        return QStringLiteral("fejléc");
    case BandKind::Line:
        return QStringLiteral("tétel");
    case BandKind::Totals:
        return QStringLiteral("összesítő");
    case BandKind::Closing:
        return QStringLiteral("záró");
    case BandKind::PageFooter:
        return QStringLiteral("lapalj");
    }
    return {};
}

class TemplateReader {
public:
    TemplateReader(const QByteArray& xml, const QString& source) : m_xml(xml), m_source(source) {}

    ReportTemplate read()
    {
        ReportTemplate result;
        if (!m_xml.readNextStartElement() || m_xml.name() != u"report")
            fail(QStringLiteral("a sablon gyökéreleme nem <report>"));
        result.title = attr("title");
        m_object = QStringLiteral("a sablon");
        result.pageSize = QSizeF(bounded("width", 793.7, kMinPageUnits, kMaxUnits),
                                 bounded("height", 1122.5, kMinPageUnits, kMaxUnits));
        m_pageHeight = result.pageSize.height();
        result.bottomMargin = bounded("margin-bottom", 0, 0, m_pageHeight / 2);
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"page")
                fail(QStringLiteral("ismeretlen elem: <%1>").arg(m_xml.name()));
            if (result.pages.size() == kMaxPages)
                fail(QStringLiteral("a sablonnak %1-nál több oldala van").arg(kMaxPages));
            result.pages.push_back(readPage(static_cast<int>(result.pages.size()) + 1));
        }
        if (m_xml.hasError())
            fail(m_xml.errorString());
        if (result.pages.empty())
            fail(QStringLiteral("a sablonnak nincs oldala"));
        return result;
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw Error(QStringLiteral("Hibás sablon (%1, %2. sor): %3").arg(m_source).arg(m_xml.lineNumber()).arg(what));
    }

    QString attr(const char* name) const { return m_xml.attributes().value(QLatin1StringView(name)).toString(); }

    double number(const char* name, double fallback) const
    {
        const QString text = attr(name);
        if (text.isEmpty())
            return fallback;
        bool ok = false;
        const double v = text.toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("a(z) %1 jellemző nem szám: \"%2\"").arg(QLatin1StringView(name), text));
        return v;
    }

    double required(const char* name) const
    {
        if (!m_xml.attributes().hasAttribute(QLatin1StringView(name)))
            fail(QStringLiteral("hiányzik a(z) %1 jellemző").arg(QLatin1StringView(name)));
        return number(name, 0);
    }

    // A number between lo and hi (NaN and the infinities are outside every range); the refusal
    // names the object that carries it.
    double bounded(const char* name, double fallback, double lo, double hi, bool mandatory = false) const
    {
        const double v = mandatory ? required(name) : number(name, fallback);
        if (!(v >= lo && v <= hi))
            fail(QStringLiteral("%1: a(z) %2 jellemző értéke (%3) nem esik %4 és %5 közé")
                     .arg(m_object, QLatin1StringView(name), attr(name), QString::number(lo), QString::number(hi)));
        return v;
    }

    bool flag(const char* name) const
    {
        const QString text = attr(name);
        return text == u"true" || text == u"1" || text == u"yes";
    }

    DesignPage readPage(int pageNumber)
    {
        DesignPage page;
        m_page = pageNumber;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"band")
                fail(QStringLiteral("ismeretlen elem: <%1>").arg(m_xml.name()));
            Band band = readBand();
            if (page.band(band.kind))
                fail(QStringLiteral("egy oldalon két azonos fajtájú sáv"));
            page.bands.push_back(std::move(band));
        }
        return page;
    }

    Band readBand()
    {
        Band band;
        const QString kind = attr("kind");
        if (kind == u"header")
            band.kind = BandKind::Header;
        else if (kind == u"line")
            band.kind = BandKind::Line;
        else if (kind == u"totals")
            band.kind = BandKind::Totals;
        else if (kind == u"closing")
            band.kind = BandKind::Closing;
        else if (kind == u"pagefooter")
            band.kind = BandKind::PageFooter;
        else
            fail(QStringLiteral("ismeretlen sávfajta: \"%1\"").arg(kind));
        m_band = QStringLiteral("a(z) %1. oldal %2 sávja").arg(m_page).arg(bandName(band.kind));
        m_object = m_band;
        // A band is designed to fit on a page; only its text may grow beyond that.
        band.top = bounded("top", 0, 0, m_pageHeight);
        band.height = bounded("height", 0, 0, m_pageHeight, true);
        band.dataset = attr("dataset");
        if (band.kind == BandKind::Line && band.dataset.isEmpty())
            fail(QStringLiteral("a tételsávnak nincs adathalmaza"));
        while (m_xml.readNextStartElement()) {
            if (band.texts.size() + band.rules.size() + band.codes.size() + band.pictures.size() == kMaxObjectsPerBand)
                fail(QStringLiteral("%1: több mint %2 objektum").arg(m_band).arg(kMaxObjectsPerBand));
            if (m_xml.name() == u"text") {
                m_object = QStringLiteral("%1 %2. szövegobjektuma").arg(m_band).arg(band.texts.size() + 1);
                band.texts.push_back(readText());
            } else if (m_xml.name() == u"rule") {
                m_object = QStringLiteral("%1 %2. vonala").arg(m_band).arg(band.rules.size() + 1);
                band.rules.push_back(readRule());
            } else if (m_xml.name() == u"qrcode") {
                m_object = QStringLiteral("%1 %2. QR-kódja").arg(m_band).arg(band.codes.size() + 1);
                band.codes.push_back(readText());
            } else if (m_xml.name() == u"image") {
                m_object = QStringLiteral("%1 %2. képe").arg(m_band).arg(band.pictures.size() + 1);
                band.pictures.push_back(readText());
            } else {
                fail(QStringLiteral("ismeretlen elem: <%1>").arg(m_xml.name()));
            }
        }
        return band;
    }

    TextObject readText()
    {
        TextObject t;
        const int line = static_cast<int>(m_xml.lineNumber());
        t.box = QRectF(bounded("x", 0, 0, kMaxUnits, true), bounded("y", 0, 0, kMaxUnits, true),
                       bounded("w", 0, 0, kMaxUnits, true), bounded("h", 0, 0, kMaxUnits, true));
        m_object += QStringLiteral(" (%1. sor, x=%2, y=%3)").arg(line).arg(t.box.x()).arg(t.box.y());
        if (m_xml.attributes().hasAttribute(QLatin1StringView("font")))
            t.font.family = attr("font");
        t.font.pointSize = bounded("size", 10, 1, kMaxFontPoints);
        t.font.bold = flag("bold");
        t.font.italic = flag("italic");
        const QString align = attr("align");
        if (align.isEmpty() || align == u"left")
            t.align = HAlign::Left;
        else if (align == u"center")
            t.align = HAlign::Center;
        else if (align == u"right")
            t.align = HAlign::Right;
        else
            fail(QStringLiteral("ismeretlen igazítás: \"%1\"").arg(align));
        const QString valign = attr("valign");
        if (valign == u"middle")
            t.valign = VAlign::Middle;
        else if (!valign.isEmpty() && valign != u"top")
            fail(QStringLiteral("ismeretlen függőleges igazítás: \"%1\"").arg(valign));
        const QString format = attr("format");
        if (format == u"number")
            t.numberDecimals = static_cast<int>(bounded("decimals", 2, 0, kMaxDecimals));
        else if (!format.isEmpty() && format != u"text")
            fail(QStringLiteral("ismeretlen formátum: \"%1\"").arg(format));
        const QString frame = attr("frame");
        for (const QString& side : frame.split(u',', Qt::SkipEmptyParts)) {
            const QString s = side.trimmed();
            if (s == u"all")
                t.frame = {true, true, true, true};
            else if (s == u"left")
                t.frame.left = true;
            else if (s == u"top")
                t.frame.top = true;
            else if (s == u"right")
                t.frame.right = true;
            else if (s == u"bottom")
                t.frame.bottom = true;
            else
                fail(QStringLiteral("ismeretlen keretoldal: \"%1\"").arg(s));
        }
        t.borderWidth = bounded("border", 1, 0, kMaxLineWidth);

        // Content: character data, <br/> between lines.
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::Characters)
                t.content += m_xml.text();
            else if (token == QXmlStreamReader::StartElement && m_xml.name() == u"br") {
                t.content += u'\n';
                m_xml.skipCurrentElement();
            } else if (token == QXmlStreamReader::StartElement)
                fail(QStringLiteral("ismeretlen elem a szövegben: <%1>").arg(m_xml.name()));
            else if (token == QXmlStreamReader::EndElement)
                break;
            if (t.content.size() > kMaxContent)
                fail(QStringLiteral("%1: a szövege hosszabb %2 karakternél").arg(m_object).arg(kMaxContent));
        }
        // Its expressions are read now, so a faulty one is refused with the object it is in.
        try {
            checkExpressions(t.content);
        } catch (const Error& e) {
            fail(QStringLiteral("%1: %2").arg(m_object, e.text()));
        }
        return t;
    }

    RuleObject readRule()
    {
        RuleObject r;
        r.from = QPointF(bounded("x", 0, 0, kMaxUnits, true), bounded("y", 0, 0, kMaxUnits, true));
        r.length = bounded("length", 0, 0, kMaxUnits, true);
        const QString direction = attr("direction");
        if (direction == u"vertical")
            r.vertical = true;
        else if (!direction.isEmpty() && direction != u"horizontal")
            fail(QStringLiteral("ismeretlen irány: \"%1\"").arg(direction));
        r.width = bounded("width", 1, 0, kMaxLineWidth);
        m_xml.skipCurrentElement();
        return r;
    }

    QXmlStreamReader m_xml;
    QString m_source;
    double m_pageHeight = 0;
    int m_page = 0;
    QString m_band;   // "a(z) 1. oldal fejléc sávja"
    QString m_object; // the object being read, for the refusals
};

} // namespace

ReportTemplate parseTemplate(const QByteArray& xml, const QString& sourceName)
{
    if (xml.size() > kMaxTemplateBytes)
        throw Error(QStringLiteral("Hibás sablon (%1, %2 bájt): a sablonfájl nagyobb %3 MB-nál.")
                        .arg(sourceName)
                        .arg(xml.size())
                        .arg(kMaxTemplateBytes / (1024 * 1024)));
    return TemplateReader(xml, sourceName).read();
}

ReportTemplate loadTemplate(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("A(z) \"%1\" sablonfájl nem olvasható: %2").arg(fileName, file.errorString()));
    // Read no further than a template may be long (a device or a huge file is not read whole).
    return parseTemplate(file.read(kMaxTemplateBytes + 1), fileName);
}

} // namespace orvena::reports
