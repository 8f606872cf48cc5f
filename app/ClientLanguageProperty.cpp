#include "app/ClientLanguageProperty.h"

ClientLanguageProperty::~ClientLanguageProperty()
{
    delete m_translator.data();
    delete m_qtTranslator.data();
}
