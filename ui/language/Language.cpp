#include "ui/language/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace wxh {
namespace {

struct Installed {
    std::unique_ptr<QTranslator> qt;        // Qt's own texts
    std::unique_ptr<QTranslator> program;   // ours
};

Installed& installed() {
    static Installed i;
    return i;
}

std::unique_ptr<QTranslator> load(const QString& name, const QString& folder) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, folder)) return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

}  // namespace

Language ChooseLanguage(const QStringList& uiLanguages) {
    if (uiLanguages.isEmpty()) return Language::Japanese;
    const QString first = uiLanguages.first();
    // "en", "en-US", "en_GB", ... but not "eo" or a language that merely begins with "en".
    const bool english = first.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0 ||
                         first.startsWith(QLatin1String("en-"), Qt::CaseInsensitive) ||
                         first.startsWith(QLatin1String("en_"), Qt::CaseInsensitive);
    return english ? Language::English : Language::Japanese;
}

Language SystemLanguage() { return ChooseLanguage(QLocale::system().uiLanguages()); }

bool InstallTranslators(Language language) {
    RemoveTranslators();
    Installed& now = installed();
    if (language == Language::English) {
        // Qt's own texts are English already; only ours need the translation.
        now.program = load(QStringLiteral("wx-hollin_en"), QStringLiteral(":/i18n"));
        return true;
    }
    now.qt = load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return now.qt != nullptr;
}

void RemoveTranslators() {
    Installed& now = installed();
    for (std::unique_ptr<QTranslator>* t : {&now.qt, &now.program}) {
        if (*t) QCoreApplication::removeTranslator(t->get());
        t->reset();
    }
}

}  // namespace wxh
