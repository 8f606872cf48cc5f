#pragma once

// The choices of the log page's type combo: row i is the log type searched for (0 every type, 1 operation,
// 2 exception), also kept as the row's user data.

#include <QStandardItemModel>

class CLogTypeModel : public QStandardItemModel
{
    Q_OBJECT

public:
    explicit CLogTypeModel(QObject* parent = nullptr);
};
