// libxslt behind one call: the only file that includes libxml2 or libxslt, whose error handlers
// and entity loader are process-wide settings, set here for the length of one render.
#include "platform/xslt.h"

#include <QFile>
#include <cstdarg>
#include <memory>

#include <libxml/parser.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

namespace platform {
namespace {

void collect(void* messages, const char* format, ...) {
    va_list args;
    va_start(args, format);
    static_cast<QString*>(messages)->append(QString::vasprintf(format, args));
    va_end(args);
}

xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

// For one render: the libraries' messages collected, and no external entity or DTD loaded, by
// either document, whatever its options ask for.
class Confinement {
public:
    Confinement() : m_loader(xmlGetExternalEntityLoader()) {
        xmlSetGenericErrorFunc(&messages, collect);
        xsltSetGenericErrorFunc(&messages, collect);
        xmlSetExternalEntityLoader(refuseExternal);
    }
    ~Confinement() {
        xmlSetExternalEntityLoader(m_loader);
        xmlSetGenericErrorFunc(nullptr, nullptr);
        xsltSetGenericErrorFunc(nullptr, nullptr);
    }
    Confinement(const Confinement&) = delete;
    Confinement& operator=(const Confinement&) = delete;

    // The first line the libraries reported, or fallback.
    QString firstMessage(const QString& fallback) const {
        for (const QString& line : messages.split(u'\n'))
            if (!line.trimmed().isEmpty()) return line.simplified();
        return fallback;
    }
    QString messages;

private:
    xmlExternalEntityLoader m_loader;
};

template <typename T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Doc = std::unique_ptr<xmlDoc, Freer<xmlDoc, xmlFreeDoc>>;
using Style = std::unique_ptr<xsltStylesheet, Freer<xsltStylesheet, xsltFreeStylesheet>>;
using Context = std::unique_ptr<xsltTransformContext, Freer<xsltTransformContext, xsltFreeTransformContext>>;
using Prefs = std::unique_ptr<xsltSecurityPrefs, Freer<xsltSecurityPrefs, xsltFreeSecurityPrefs>>;

// No network in either document; the input's entity references stay references (not expanded).
constexpr int kParseOptions = XML_PARSE_NONET;

} // namespace

XsltPage renderXslt(const QByteArray& xml, const QString& stylesheetPath) {
    QFile file(stylesheetPath);
    if (!file.open(QIODevice::ReadOnly)) return {{}, QStringLiteral("%1: %2").arg(stylesheetPath, file.errorString())};
    const QByteArray styleText = file.readAll();
    const QByteArray styleUrl = QFile::encodeName(stylesheetPath);

    Confinement confined;
    Doc styleDoc(xmlReadMemory(styleText.constData(), int(styleText.size()), styleUrl.constData(), nullptr,
                               kParseOptions | XML_PARSE_NOCDATA));
    if (!styleDoc) return {{}, confined.firstMessage(QStringLiteral("the stylesheet cannot be read"))};
    // On success the stylesheet owns its document; on failure it is still ours to free.
    Style style(xsltParseStylesheetDoc(styleDoc.get()));
    if (style) (void)styleDoc.release();
    if (!style || style->errors != 0)
        return {{}, confined.firstMessage(QStringLiteral("the stylesheet is not valid"))};

    Doc input(xmlReadMemory(xml.constData(), int(xml.size()), nullptr, nullptr, kParseOptions));
    if (!input) return {{}, confined.firstMessage(QStringLiteral("the document cannot be read"))};

    Prefs prefs(xsltNewSecurityPrefs());
    Context context(xsltNewTransformContext(style.get(), input.get()));
    if (!context || !prefs) return {{}, QStringLiteral("out of memory")};
    for (xsltSecurityOption option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE, XSLT_SECPREF_CREATE_DIRECTORY,
                                      XSLT_SECPREF_READ_NETWORK, XSLT_SECPREF_WRITE_NETWORK})
        xsltSetSecurityPrefs(prefs.get(), option, xsltSecurityForbid);
    xsltSetCtxtSecurityPrefs(prefs.get(), context.get());

    Doc result(xsltApplyStylesheetUser(style.get(), input.get(), nullptr, nullptr, nullptr, context.get()));
    if (!result || context->state != XSLT_STATE_OK)
        return {{}, confined.firstMessage(QStringLiteral("the stylesheet failed"))};
    xmlChar* text = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&text, &length, result.get(), style.get()) != 0 || !text || length <= 0) {
        xmlFree(text);
        return {{}, confined.firstMessage(QStringLiteral("the stylesheet gave an empty page"))};
    }
    XsltPage page{QByteArray(reinterpret_cast<const char*>(text), length), {}};
    xmlFree(text);
    return page;
}

} // namespace platform
