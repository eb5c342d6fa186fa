#include "navschemas.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QUrl>

#include <cstdarg>
#include <cstdio>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

namespace orvena::test {

namespace {

struct Loaded {
    xmlSchemaPtr schema = nullptr;
    QString error;
};

void collect(void* context, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    char buffer[2048];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    auto* list = static_cast<QStringList*>(context);
    const QString text = QString::fromUtf8(buffer).trimmed();
    if (!text.isEmpty())
        list->append(text);
}

Loaded& loaded()
{
    static Loaded l = [] {
        Loaded r;
        const QString dir = NavSchemas::schemaDir();
        if (dir.isEmpty()) {
            r.error = QStringLiteral("the official schemas were not found");
            return r;
        }
        auto location = [&dir](const char* rel) {
            return QUrl::fromLocalFile(QDir(dir).filePath(QString::fromLatin1(rel))).toString();
        };
        const QString wrapper =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">\n"
                           "<xs:import namespace=\"http://schemas.nav.gov.hu/NTCA/1.0/common\" schemaLocation=\"%1\"/>\n"
                           "<xs:import namespace=\"http://schemas.nav.gov.hu/OSA/3.0/base\" schemaLocation=\"%2\"/>\n"
                           "<xs:import namespace=\"http://schemas.nav.gov.hu/OSA/3.0/data\" schemaLocation=\"%3\"/>\n"
                           "<xs:import namespace=\"http://schemas.nav.gov.hu/OSA/3.0/api\" schemaLocation=\"%4\"/>\n"
                           "</xs:schema>\n")
                .arg(location("nav/gov/hu/NTCA/common.xsd"), location("nav/gov/hu/OSA/invoiceBase.xsd"),
                     location("nav/gov/hu/OSA/invoiceData.xsd"), location("nav/gov/hu/OSA/invoiceApi.xsd"));
        const QByteArray bytes = wrapper.toUtf8();
        QStringList problems;
        xmlSchemaParserCtxtPtr parser = xmlSchemaNewMemParserCtxt(bytes.constData(), static_cast<int>(bytes.size()));
        xmlSchemaSetParserErrors(parser, collect, collect, &problems);
        r.schema = xmlSchemaParse(parser);
        xmlSchemaFreeParserCtxt(parser);
        if (!r.schema)
            r.error = problems.join(u'\n');
        return r;
    }();
    return l;
}

} // namespace

QString NavSchemas::schemaDir()
{
    const QString env = qEnvironmentVariable("ORVENA_NAV_SCHEMA_DIR");
    if (!env.isEmpty())
        return env;
    for (const QString& candidate : {QStringLiteral(ORVENA_SOURCE_DIR "/src/nav/schemas"),
                                     QStringLiteral(ORVENA_SOURCE_DIR "/src/nav/xsd")}) {
        if (QFileInfo::exists(candidate + QStringLiteral("/nav/gov/hu/OSA/invoiceApi.xsd")))
            return candidate;
    }
    QDir dir(QStringLiteral(ORVENA_SOURCE_DIR));
    for (int up = 0; up < 4; ++up) {
        const QString candidate = dir.filePath(QStringLiteral("shared/nav/schemas"));
        if (QFileInfo::exists(candidate + QStringLiteral("/nav/gov/hu/OSA/invoiceApi.xsd")))
            return candidate;
        if (!dir.cdUp())
            break;
    }
    return {};
}

QStringList NavSchemas::validate(const QByteArray& document)
{
    static QMutex mutex;
    QMutexLocker lock(&mutex);
    Loaded& l = loaded();
    if (!l.schema)
        return {QStringLiteral("schema: ") + l.error};
    QStringList problems;
    xmlDocPtr doc = xmlReadMemory(document.constData(), static_cast<int>(document.size()), "document.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
        return {QStringLiteral("not well-formed XML")};
    xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(l.schema);
    xmlSchemaSetValidErrors(valid, collect, collect, &problems);
    const int rc = xmlSchemaValidateDoc(valid, doc);
    xmlSchemaFreeValidCtxt(valid);
    xmlFreeDoc(doc);
    if (rc != 0 && problems.isEmpty())
        problems << QStringLiteral("invalid (libxml2 code %1)").arg(rc);
    return problems;
}

} // namespace orvena::test
