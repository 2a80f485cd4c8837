#include "gui/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <atomic>
#include <memory>

namespace {

std::atomic<Language> language{Language::English};
std::unique_ptr<QTranslator> translator;
std::unique_ptr<QTranslator> qtTranslator; // Qt's own texts: buttons, file dialogs, dates

} // namespace

Language UiLanguage()
{
    return language.load();
}

Language InstallUiLanguage(QCoreApplication& app, std::optional<Language> override)
{
    ResetUiLanguage(app);
    Language chosen = Language::English;
    if (override)
        chosen = *override;
    else if (QLocale().language() == QLocale::Polish)
        chosen = Language::Polish;
    auto t = std::make_unique<QTranslator>();
    const QString file = chosen == Language::Polish ? QStringLiteral(":/i18n/kvvidiridoved_pl.qm")
                                                    : QStringLiteral(":/i18n/kvvidiridoved_en.qm");
    if (t->load(file)) {
        app.installTranslator(t.get());
        translator = std::move(t);
    }
    if (chosen == Language::Polish) {
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(QStringLiteral("qtbase_pl"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            app.installTranslator(qt.get());
            qtTranslator = std::move(qt);
        }
    }
    language.store(chosen);
    return chosen;
}

void ResetUiLanguage(QCoreApplication& app)
{
    if (translator) {
        app.removeTranslator(translator.get());
        translator.reset();
    }
    if (qtTranslator) {
        app.removeTranslator(qtTranslator.get());
        qtTranslator.reset();
    }
    language.store(Language::English);
}

QString ApplicationTitle()
{
    return QCoreApplication::translate("CKVVidiRidovedApp", "KVVidiRidoved");
}
