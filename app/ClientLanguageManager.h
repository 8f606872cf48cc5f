#pragma once

// The languages the program can show, built from the translation files under "translations/" of the program's
// directory: 0 and 2 English (always there), 1 and 3 Chinese (only when both Chinese files load). Setup.xml's
// Translator and VersionType values choose one of them.

#include "app/ClientLanguageProperty.h"

#include <memory>
#include <vector>

class ClientLanguageManager
{
public:
    // Builds the four entries from the files present now.
    ClientLanguageManager();
    virtual ~ClientLanguageManager() = default;
    ClientLanguageManager(const ClientLanguageManager&) = delete;
    ClientLanguageManager& operator=(const ClientLanguageManager&) = delete;

    // The process-wide list, built on the first call.
    static ClientLanguageManager* Instance();

    // Creates one entry and keeps it when its files allow (see above).
    bool Build(int id);
    ClientLanguageProperty* FindById(int id) const;
    // The language the start-up settings choose; entry 0 when the chosen one does not exist.
    ClientLanguageProperty* Current() const;
    // The id the start-up settings choose, before the fall-back: Translator 0 gives 0 (VersionType not 0) or
    // 2, Translator 1 gives 1 or 3, any other Translator value is the id itself. Missing or non-numeric
    // values count as 0.
    static int ChosenId();

private:
    std::vector<std::unique_ptr<ClientLanguageProperty>> m_languages;
};
