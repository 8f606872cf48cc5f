#pragma once

// One item of the start-up settings file: an element's name and the text of its `Value` child.

#include <QString>

class ClientConfig
{
public:
    virtual ~ClientConfig() = default;

    void SetName(const QString& name) { m_name = name; }
    void SetValue(const QString& value) { m_value = value; }
    QString GetName() const { return m_name; }
    QString GetValue() const { return m_value; }

private:
    QString m_name;
    QString m_value;
};
