// libxslt behind one call: the only file of the program that includes libxml2 or libxslt (the page
// renderer adds its memory hooks), whose error handlers, entity loader and refusals are
// process-wide settings, set here for the length of one render.
#include "platform/xslt.h"

#include <QFile>
#include <cstdarg>
#include <memory>
#include <utility>

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

// The first refusal of the render under way: what it may not do and where.
QString* g_refusal = nullptr;

int refuse(const char* form, const char* address) {
    if (g_refusal && g_refusal->isEmpty())
        *g_refusal = QString::fromLatin1(form).arg(QString::fromUtf8(address ? address : ""));
    return 0; // the libraries' answer: forbidden
}

xmlParserInputPtr refuseExternal(const char* url, const char*, xmlParserCtxtPtr) {
    refuse("%1 may not be read", url);
    return nullptr;
}

int refuseRead(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
    return refuse("%1 may not be read", value);
}
int refuseWrite(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
    return refuse("%1 may not be written", value);
}
int refuseFolder(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char* value) {
    return refuse("the folder %1 may not be made", value);
}

// For one render: the libraries' messages collected, and no external entity or DTD loaded, by
// either document, whatever its options ask for.
class Confinement {
public:
    Confinement() : m_loader(xmlGetExternalEntityLoader()) {
        xmlSetGenericErrorFunc(&messages, collect);
        xsltSetGenericErrorFunc(&messages, collect);
        xmlSetExternalEntityLoader(refuseExternal);
        g_refusal = &refusal;
    }
    ~Confinement() {
        g_refusal = nullptr;
        xmlSetExternalEntityLoader(m_loader);
        xmlSetGenericErrorFunc(nullptr, nullptr);
        xsltSetGenericErrorFunc(nullptr, nullptr);
    }
    Confinement(const Confinement&) = delete;
    Confinement& operator=(const Confinement&) = delete;

    // Why the render failed: what it was refused, else the first line the libraries reported,
    // else fallback.
    QString reason(const QString& fallback) const {
        if (!refusal.isEmpty()) return refusal;
        for (const QString& line : messages.split(u'\n'))
            if (!line.trimmed().isEmpty()) return line.simplified();
        return fallback;
    }
    QString messages;
    QString refusal;

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
    if (!styleDoc) return {{}, confined.reason(QStringLiteral("the stylesheet cannot be read"))};
    // On success the stylesheet owns its document; on failure it is still ours to free.
    Style style(xsltParseStylesheetDoc(styleDoc.get()));
    if (style) (void)styleDoc.release();
    if (!style || style->errors != 0)
        return {{}, confined.reason(QStringLiteral("the stylesheet is not valid"))};

    Doc input(xmlReadMemory(xml.constData(), int(xml.size()), nullptr, nullptr, kParseOptions));
    if (!input) return {{}, confined.reason(QStringLiteral("the document cannot be read"))};

    Prefs prefs(xsltNewSecurityPrefs());
    Context context(xsltNewTransformContext(style.get(), input.get()));
    if (!context || !prefs) return {{}, QStringLiteral("out of memory")};
    const std::pair<xsltSecurityOption, xsltSecurityCheck> refusals[] = {
        {XSLT_SECPREF_READ_FILE, refuseRead},
        {XSLT_SECPREF_WRITE_FILE, refuseWrite},
        {XSLT_SECPREF_CREATE_DIRECTORY, refuseFolder},
        {XSLT_SECPREF_READ_NETWORK, refuseRead},
        {XSLT_SECPREF_WRITE_NETWORK, refuseWrite}};
    for (const auto& [option, check] : refusals)
        xsltSetSecurityPrefs(prefs.get(), option, check);
    xsltSetCtxtSecurityPrefs(prefs.get(), context.get());

    Doc result(xsltApplyStylesheetUser(style.get(), input.get(), nullptr, nullptr, nullptr, context.get()));
    if (!result || context->state != XSLT_STATE_OK)
        return {{}, confined.reason(QStringLiteral("the stylesheet failed"))};
    xmlChar* text = nullptr;
    int length = 0;
    if (xsltSaveResultToString(&text, &length, result.get(), style.get()) != 0 || !text || length <= 0) {
        xmlFree(text);
        return {{}, confined.reason(QStringLiteral("the stylesheet gave an empty page"))};
    }
    XsltPage page{QByteArray(reinterpret_cast<const char*>(text), length), {}};
    xmlFree(text);
    return page;
}

} // namespace platform
