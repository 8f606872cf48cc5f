#include "app/ClientLanguageManager.h"

#include "app/ClientConfigManager.h"
#include "model/Utility.h"

namespace {

int ConfigNumber(int key)
{
    const ClientConfig* item = ClientConfigManager::Instance()->Find(key);
    if (item == nullptr)
        return 0;
    bool ok = false;
    const int value = item->GetValue().trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

bool LoadTranslation(QTranslator* translator, const char* file)
{
    return translator->load(GetAbsolutePath(QString::fromLatin1(file)));
}

} // namespace

ClientLanguageManager::ClientLanguageManager()
{
    for (int id = 0; id <= 3; ++id)
        Build(id);
}

ClientLanguageManager* ClientLanguageManager::Instance()
{
    // A function-local static is created once even when two threads ask first at the same time.
    static ClientLanguageManager list;
    return &list;
}

bool ClientLanguageManager::Build(int id)
{
    if (id < 0 || id > 3)
        return false;
    auto language = std::make_unique<ClientLanguageProperty>();
    language->SetId(id);
    auto translator = std::make_unique<QTranslator>();
    auto qtTranslator = std::make_unique<QTranslator>();
    if (id == 0 || id == 2) {
        // English is always offered: without its files the texts show as written in the program.
        LoadTranslation(translator.get(), "translations/varrow_en.qm");
        LoadTranslation(qtTranslator.get(), "translations/qt_en_CN.qm");
        language->SetLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    } else {
        if (!LoadTranslation(translator.get(), "translations/varrow_zh.qm") ||
            !LoadTranslation(qtTranslator.get(), "translations/qt_zh_CN.qm"))
            return false;
        language->SetLocale(QLocale(QLocale::Chinese, QLocale::China));
    }
    language->SetTranslator(translator.release());
    language->SetQtTranslator(qtTranslator.release());
    m_languages.push_back(std::move(language));
    return true;
}

ClientLanguageProperty* ClientLanguageManager::FindById(int id) const
{
    for (const auto& language : m_languages) {
        if (language->GetId() == id)
            return language.get();
    }
    return nullptr;
}

int ClientLanguageManager::ChosenId()
{
    const int translator = ConfigNumber(ClientConfigManager::KeyTranslator);
    const int version = ConfigNumber(ClientConfigManager::KeyVersionType);
    if (translator == 0)
        return version != 0 ? 0 : 2;
    if (translator == 1)
        return version != 0 ? 1 : 3;
    return translator;
}

ClientLanguageProperty* ClientLanguageManager::Current() const
{
    ClientLanguageProperty* language = FindById(ChosenId());
    return language != nullptr ? language : FindById(0);
}
