#include "reporttemplate.h"

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

class TemplateReader {
public:
    TemplateReader(const QByteArray& xml, const QString& source) : m_xml(xml), m_source(source) {}

    ReportTemplate read()
    {
        ReportTemplate result;
        if (!m_xml.readNextStartElement() || m_xml.name() != u"report")
            fail(QStringLiteral("a sablon gyökéreleme nem <report>"));
        result.title = attr("title");
        result.pageSize = QSizeF(number("width", 793.7), number("height", 1122.5));
        result.bottomMargin = number("margin-bottom", 0);
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"page")
                fail(QStringLiteral("ismeretlen elem: <%1>").arg(m_xml.name()));
            result.pages.push_back(readPage());
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

    bool flag(const char* name) const
    {
        const QString text = attr(name);
        return text == u"true" || text == u"1" || text == u"yes";
    }

    DesignPage readPage()
    {
        DesignPage page;
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
        band.top = number("top", 0);
        band.height = required("height");
        band.dataset = attr("dataset");
        if (band.kind == BandKind::Line && band.dataset.isEmpty())
            fail(QStringLiteral("a tételsávnak nincs adathalmaza"));
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"text")
                band.texts.push_back(readText());
            else if (m_xml.name() == u"rule")
                band.rules.push_back(readRule());
            else
                fail(QStringLiteral("ismeretlen elem: <%1>").arg(m_xml.name()));
        }
        return band;
    }

    TextObject readText()
    {
        TextObject t;
        t.box = QRectF(required("x"), required("y"), required("w"), required("h"));
        if (m_xml.attributes().hasAttribute(QLatin1StringView("font")))
            t.font.family = attr("font");
        t.font.pointSize = number("size", 10);
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
            t.numberDecimals = static_cast<int>(number("decimals", 2));
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
        t.borderWidth = number("border", 1);

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
        }
        return t;
    }

    RuleObject readRule()
    {
        RuleObject r;
        r.from = QPointF(required("x"), required("y"));
        r.length = required("length");
        const QString direction = attr("direction");
        if (direction == u"vertical")
            r.vertical = true;
        else if (!direction.isEmpty() && direction != u"horizontal")
            fail(QStringLiteral("ismeretlen irány: \"%1\"").arg(direction));
        r.width = number("width", 1);
        m_xml.skipCurrentElement();
        return r;
    }

    QXmlStreamReader m_xml;
    QString m_source;
};

} // namespace

ReportTemplate parseTemplate(const QByteArray& xml, const QString& sourceName)
{
    return TemplateReader(xml, sourceName).read();
}

ReportTemplate loadTemplate(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral("A(z) \"%1\" sablonfájl nem olvasható: %2").arg(fileName, file.errorString()));
    return parseTemplate(file.readAll(), fileName);
}

} // namespace orvena::reports
