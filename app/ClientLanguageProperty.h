#pragma once

// One selectable language: its locale and the translators of the program's and the toolkit's texts.

#include <QLocale>
#include <QPointer>
#include <QTranslator>

class ClientLanguageProperty
{
public:
    ClientLanguageProperty() = default;
    // Deletes both translators when they still exist.
    ~ClientLanguageProperty();
    ClientLanguageProperty(const ClientLanguageProperty&) = delete;
    ClientLanguageProperty& operator=(const ClientLanguageProperty&) = delete;

    void SetId(int id) { m_id = id; }
    void SetLocale(const QLocale& locale) { m_locale = locale; }
    // Takes ownership.
    void SetTranslator(QTranslator* translator) { m_translator = translator; }
    void SetQtTranslator(QTranslator* translator) { m_qtTranslator = translator; }

    int GetId() const { return m_id; }
    QTranslator* GetTranslator() const { return m_translator; }
    QTranslator* GetQtTranslator() const { return m_qtTranslator; }
    QLocale GetLocale() const { return m_locale; }

private:
    int m_id = -1;
    QLocale m_locale;
    QPointer<QTranslator> m_translator;
    QPointer<QTranslator> m_qtTranslator;
};
