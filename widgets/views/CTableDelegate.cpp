#include "widgets/views/CTableDelegate.h"

#include "widgets/GuiUtility.h"
#include "widgets/calendar/CDateEdit.h"
#include "widgets/calendar/CDateTimeEdit.h"
#include "widgets/views/ItemDataRole.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPainter>

namespace {

constexpr int kRowHeight = 26;
const QColor kRowColour(255, 255, 255);
const QColor kHoverColour(251, 251, 194);

enum class CellEditor
{
    Combo,
    DateTime,
    Date,
    Default,
};

// The editor is chosen by the first of these roles that the cell holds.
CellEditor EditorFor(const QModelIndex& index)
{
    if (index.data(ROLE_COMBO_LIST).isValid())
        return CellEditor::Combo;
    if (index.data(ROLE_DATETIME).isValid())
        return CellEditor::DateTime;
    if (index.data(ROLE_DATE).isValid())
        return CellEditor::Date;
    return CellEditor::Default;
}

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

// Scaled into the rectangle as far as it fits without distortion, and centred there: a square arrow stays
// square in a tall row.
void DrawFitted(QPainter* painter, const QRect& rect, const QPixmap& picture)
{
    if (picture.isNull())
        return;
    QRect target(QPoint(0, 0), picture.size().scaled(rect.size(), Qt::KeepAspectRatio));
    target.moveCenter(rect.center());
    painter->drawPixmap(target, picture);
}

} // namespace

CTableDelegate::CTableDelegate(QWidget* view, QObject* parent) : QStyledItemDelegate(parent), m_pView(view) {}

CTableDelegate::~CTableDelegate() = default;

void CTableDelegate::PaintBackground(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QRect& rect) const
{
    if (!(option.state & QStyle::State_Enabled))
        return;
    if (option.state & QStyle::State_Selected)
        painter->drawPixmap(rect,
                            LoadCachedPixmap(QStringLiteral(":images/public/TreeView/ViewMidItem.png")));
    else if (option.state & QStyle::State_MouseOver)
        painter->fillRect(rect, kHoverColour);
    else
        painter->fillRect(rect, kRowColour);
}

void CTableDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    if (index.data(ROLE_BUTTON).isValid()) {
        QStyle* style = m_pView != nullptr ? m_pView->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, m_pView);
    }
    const QRect& rect = option.rect;
    if (index.column() == 0 && rect.isValid() && rect.left() != 0 && option.showDecorationSelected) {
        // The indentation of a tree row: the branch lines are not drawn, the row's arrow stands there
        // instead; a row without children has nothing to open and gets no arrow.
        PaintBackground(painter, option, QRect(0, rect.top(), rect.left(), rect.height()));
        if (index.model() != nullptr && index.model()->hasChildren(index)) {
            const QString arrow = (option.state & QStyle::State_Open)
                                      ? QStringLiteral(":images/button/down-arrow.png")
                                      : QStringLiteral(":images/button/config_right-arrow.png");
            DrawFitted(painter, QRect(rect.left() - 13, rect.top(), 16, rect.height()),
                       LoadCachedPixmap(arrow));
        }
    }
    PaintBackground(painter, option, rect);
    QStyledItemDelegate::paint(painter, option, index);
}

QSize CTableDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (size.isValid())
        size.setHeight(kRowHeight);
    return size;
}

QWidget* CTableDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                      const QModelIndex& index) const
{
    switch (EditorFor(index)) {
    case CellEditor::Combo: {
        auto* combo = new QComboBox(parent);
        QStringList choices = index.data(ROLE_COMBO_LIST).toStringList();
        const QString text = index.data(Qt::DisplayRole).toString();
        combo->addItems(choices);
        if (!choices.contains(text, Qt::CaseSensitive)) {
            // A text outside the choices stays choosable: it joins the list, in the cell as well.
            combo->addItem(text);
            choices.append(text);
            const_cast<QAbstractItemModel*>(index.model())->setData(index, choices, ROLE_COMBO_LIST);
        }
        combo->setFixedSize(option.rect.width(), option.rect.height());
        return combo;
    }
    case CellEditor::DateTime: {
        auto* editor = new CDateTimeEdit(parent);
        editor->setDate(index.data(ROLE_DATETIME).toDateTime().date());
        return editor;
    }
    case CellEditor::Date: {
        auto* editor = new CDateEdit(parent);
        editor->setDate(index.data(ROLE_DATE).toDate());
        return editor;
    }
    case CellEditor::Default:
        break;
    }
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void CTableDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    switch (EditorFor(index)) {
    case CellEditor::Combo:
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            combo->setCurrentIndex(combo->findText(index.data(Qt::DisplayRole).toString(),
                                                   Qt::MatchExactly | Qt::MatchCaseSensitive));
            return;
        }
        break;
    case CellEditor::DateTime:
        if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
            edit->setDateTime(index.data(ROLE_DATETIME).toDateTime());
            return;
        }
        break;
    case CellEditor::Date:
        if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
            edit->setDate(index.data(ROLE_DATE).toDate());
            return;
        }
        break;
    case CellEditor::Default:
        break;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void CTableDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    switch (EditorFor(index)) {
    case CellEditor::Combo:
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, combo->currentIndex(), ROLE_COMBO_INDEX);
            model->setData(index, combo->currentText(), Qt::EditRole);
            return;
        }
        break;
    case CellEditor::DateTime:
        if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
            model->setData(index, edit->dateTime(), ROLE_DATETIME);
            model->setData(index, edit->date().toString(kDateFormat), Qt::EditRole);
            return;
        }
        break;
    case CellEditor::Date:
        if (auto* edit = qobject_cast<QDateTimeEdit*>(editor)) {
            model->setData(index, edit->date(), ROLE_DATE);
            model->setData(index, edit->date().toString(kDateFormat), Qt::EditRole);
            return;
        }
        break;
    case CellEditor::Default:
        break;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}
