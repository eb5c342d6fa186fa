#include "schemavalidator.h"

#include <QFile>
#include <QTemporaryDir>

#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxml/xmlschemas.h>

#include <memory>

// Resources of a static library must be registered by hand.
static void initNavResources()
{
    Q_INIT_RESOURCE(nav);
}

namespace orvena::nav {

namespace {

struct ErrorSink {
    QStringList problems;
};

QString nodeValue(xmlNodePtr node)
{
    if (!node)
        return {};
    xmlChar* content = xmlNodeGetContent(node);
    QString value = content ? QString::fromUtf8(reinterpret_cast<const char*>(content)).trimmed() : QString();
    xmlFree(content);
    return value.size() > 60 ? value.left(60) + QStringLiteral("…") : value;
}

void collect(void* userData, xmlErrorPtr error)
{
    auto* sink = static_cast<ErrorSink*>(userData);
    if (!sink || !error || error->level < XML_ERR_ERROR)
        return;
    auto* node = static_cast<xmlNodePtr>(error->node);
    const QString element = node && node->name ? QString::fromUtf8(reinterpret_cast<const char*>(node->name)) : QString();
    const int line = node ? static_cast<int>(xmlGetLineNo(node)) : error->line;
    QString text;
    if (element.isEmpty()) {
        text = QString::fromUtf8("Az XML-dokumentum %1. sora hibás.").arg(line);
    } else {
        const QString value = node->children && node->children->type == XML_TEXT_NODE && !node->children->next
                                  ? nodeValue(node)
                                  : QString();
        text = value.isEmpty()
                   ? QString::fromUtf8("Az XML-dokumentum %1. sorában a(z) „%2” elem nem felel meg az adóhatóság "
                                       "sémájának.")
                         .arg(line)
                         .arg(element)
                   : QString::fromUtf8("Az XML-dokumentum %1. sorában a(z) „%2” elem értéke („%3”) nem felel meg az "
                                       "adóhatóság sémájának.")
                         .arg(line)
                         .arg(element, value);
    }
    if (!sink->problems.contains(text))
        sink->problems << text;
}

void silent(void*, xmlErrorPtr) {}

// The compiled schema set of the run.
class CompiledSchema {
public:
    CompiledSchema()
    {
        initNavResources();
        xmlInitParser();
        // The schema files and a wrapper importing them in dependency order, in a folder that
        // lives only while the schemas are compiled.
        QTemporaryDir dir;
        if (!dir.isValid())
            return;
        for (const char* name : {"common.xsd", "invoiceBase.xsd", "invoiceData.xsd"}) {
            QFile in(QStringLiteral(":/nav/") + QLatin1String(name));
            QFile out(dir.filePath(QLatin1String(name)));
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) || out.write(in.readAll()) < 0)
                return;
        }
        QFile wrapper(dir.filePath(QStringLiteral("wrapper.xsd")));
        if (!wrapper.open(QIODevice::WriteOnly))
            return;
        wrapper.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<xs:schema xmlns:xs="http://www.w3.org/2001/XMLSchema" elementFormDefault="qualified">
  <xs:import namespace="http://schemas.nav.gov.hu/NTCA/1.0/common" schemaLocation="common.xsd"/>
  <xs:import namespace="http://schemas.nav.gov.hu/OSA/3.0/base" schemaLocation="invoiceBase.xsd"/>
  <xs:import namespace="http://schemas.nav.gov.hu/OSA/3.0/data" schemaLocation="invoiceData.xsd"/>
</xs:schema>
)");
        wrapper.close();
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(QFile::encodeName(wrapper.fileName()).constData());
        if (!parser)
            return;
        ErrorSink sink;
        xmlSchemaSetParserStructuredErrors(parser, collect, &sink);
        m_schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
    }
    ~CompiledSchema()
    {
        if (m_schema)
            xmlSchemaFree(m_schema);
    }
    CompiledSchema(const CompiledSchema&) = delete;
    CompiledSchema& operator=(const CompiledSchema&) = delete;
    xmlSchemaPtr schema() const { return m_schema; }

private:
    xmlSchemaPtr m_schema = nullptr;
};

} // namespace

ValidationResult validateInvoiceData(const QByteArray& xml)
{
    static CompiledSchema compiled;
    ValidationResult result;
    if (!compiled.schema()) {
        result.problems << QString::fromUtf8("Az adóhatóság XML-sémája nem tölthető be.");
        return result;
    }
    xmlSetStructuredErrorFunc(nullptr, silent);
    ErrorSink sink;
    xmlParserCtxtPtr parserContext = xmlNewParserCtxt();
    xmlDocPtr doc = parserContext ? xmlCtxtReadMemory(parserContext, xml.constData(), static_cast<int>(xml.size()),
                                                      "invoiceData.xml", "UTF-8", XML_PARSE_NONET)
                                  : nullptr;
    if (!doc) {
        const xmlError* e = parserContext ? xmlCtxtGetLastError(parserContext) : nullptr;
        result.problems << QString::fromUtf8("Az XML-dokumentum nem olvasható (%1. sor).").arg(e ? e->line : 0);
        if (parserContext)
            xmlFreeParserCtxt(parserContext);
        xmlSetStructuredErrorFunc(nullptr, nullptr);
        return result;
    }
    xmlFreeParserCtxt(parserContext);
    xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(compiled.schema());
    xmlSchemaSetValidStructuredErrors(validator, collect, &sink);
    const int status = xmlSchemaValidateDoc(validator, doc);
    xmlSchemaFreeValidCtxt(validator);
    xmlFreeDoc(doc);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    result.valid = status == 0;
    result.problems = sink.problems;
    if (!result.valid && result.problems.isEmpty())
        result.problems << QString::fromUtf8("Az XML-dokumentum nem felel meg az adóhatóság sémájának.");
    return result;
}

} // namespace orvena::nav
