// The multi-level header: spanning cells must cover exactly the sections of their leaves, the header must be
// as tall as the stacked cells, and the proxy must hand the header model out without hiding the cells' own
// values of the same roles.

#include "tests/support/TestSupport.h"
#include "widgets/views/HierarchicalHeaderView.h"
#include "widgets/views/ProxyModelWithHeaderModels.h"

#include <QApplication>
#include <QPaintEvent>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>

namespace {

// Reaches the sizes the view asks its header for.
class CProbeHeader : public HierarchicalHeaderView
{
public:
    using HierarchicalHeaderView::HierarchicalHeaderView;
    QSize SizeOf(int section) const { return sectionSizeFromContents(section); }
};

// Collects what the header's viewport is asked to repaint.
class CPaintRecorder : public QObject
{
public:
    QRegion m_painted;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted += static_cast<QPaintEvent*>(event)->region();
        return QObject::eventFilter(watched, event);
    }
};

struct CFixture
{
    QStandardItemModel data{4, 3};
    QStandardItemModel header;
    ProxyModelWithHeaderModels proxy;
    QTableView view;
    CProbeHeader* hv;

    CFixture()
    {
        const auto cell = [](const char* text, Qt::GlobalColor colour) {
            auto* item = new QStandardItem(QString::fromLatin1(text));
            item->setBackground(QColor(colour));
            return item;
        };
        // A over A1 and A2, beside B alone.
        auto* a = cell("A", Qt::red);
        a->setChild(0, 0, cell("A1", Qt::green));
        a->setChild(0, 1, cell("A2", Qt::blue));
        header.setItem(0, 0, a);
        header.setItem(0, 1, cell("B", Qt::yellow));
        proxy.setModel(&data);
        proxy.SetHorizontalHeaderModel(&header);
        hv = new CProbeHeader(Qt::Horizontal, &view);
        view.setHorizontalHeader(hv);
        view.setModel(&proxy);
        view.resize(420, 200);
        hv->setStretchLastSection(false);
        for (int i = 0; i < 3; ++i)
            hv->resizeSection(i, 100);
    }
};

bool Dominant(QRgb pixel, int channel)
{
    const int c[3] = {qRed(pixel), qGreen(pixel), qBlue(pixel)};
    if (channel == 3) // yellow: red and green well above blue
        return c[0] > c[2] + 80 && c[1] > c[2] + 80;
    for (int i = 0; i < 3; ++i) {
        if (i != channel && c[channel] < c[i] + 80)
            return false;
    }
    return true;
}

} // namespace

class TestHierarchicalHeader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stackedCells();
    void widerLeafRepaintsTheSpanStart();
    void proxyKeepsTheCellsValues();
    void verticalHeaderStacksSideways();
};

void TestHierarchicalHeader::stackedCells()
{
    CFixture f;
    // One line of bold text per level: the two-level section is twice as tall as the single leaf.
    const int leaf = f.hv->SizeOf(2).height();
    QVERIFY(leaf > 0);
    QCOMPARE(f.hv->SizeOf(0).height(), 2 * leaf);

    // The style's own section frame is not what is tested: paint with the plain style and the cells' colours.
    f.hv->setStyleSheet(QString());
    f.hv->resize(300, 2 * leaf);
    const QImage image = f.hv->grab().toImage();
    const int upper = leaf / 2;
    const int lower = leaf + leaf / 2;
    const int red = 0, green = 1, blue = 2, yellow = 3;
    // A across sections 0 and 1, on both sides of their border.
    for (const int x : {20, 100, 180})
        QVERIFY(Dominant(image.pixel(x, upper), red));
    QVERIFY(Dominant(image.pixel(50, lower), green));
    QVERIFY(Dominant(image.pixel(150, lower), blue));
    // B is a single level over the full height.
    QVERIFY(Dominant(image.pixel(250, upper), yellow) && Dominant(image.pixel(250, lower), yellow));

    // A turned cell is measured upright.
    f.header.item(0, 1)->setText(QStringLiteral("Backup Progress of the channel"));
    f.header.item(0, 1)->setData(true, Qt::UserRole);
    QVERIFY(f.hv->SizeOf(2).height() > f.hv->SizeOf(2).width());
}

void TestHierarchicalHeader::widerLeafRepaintsTheSpanStart()
{
    CFixture f;
    f.view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.view));
    CPaintRecorder recorder;
    f.hv->viewport()->installEventFilter(&recorder);
    QCoreApplication::processEvents();
    recorder.m_painted = QRegion();
    // Section 1 is the second leaf under A: A starts in section 0, which must be repainted too.
    f.hv->resizeSection(1, 160);
    QTRY_VERIFY(!recorder.m_painted.isEmpty());
    QVERIFY(recorder.m_painted.contains(QPoint(10, 2)));
}

void TestHierarchicalHeader::proxyKeepsTheCellsValues()
{
    QStandardItemModel data(2, 2);
    data.setData(data.index(1, 1), QStringLiteral("plan 7"), Qt::UserRole);
    data.setData(data.index(1, 1), 42, Qt::UserRole + 1);
    auto* header = new QStandardItemModel;
    ProxyModelWithHeaderModels proxy;
    proxy.setModel(&data);
    QSignalSpy announced(&proxy, &QAbstractItemModel::headerDataChanged);
    proxy.SetHorizontalHeaderModel(header);
    QCOMPARE(announced.count(), 1);
    QCOMPARE(proxy.data(QModelIndex(), ROLE_HORIZONTAL_HEADER_MODEL).value<QObject*>(), header);
    // The cells keep their own values of the same roles, which the pages store there.
    QCOMPARE(proxy.data(proxy.index(1, 1), Qt::UserRole).toString(), QStringLiteral("plan 7"));
    QCOMPARE(proxy.data(proxy.index(1, 1), Qt::UserRole + 1).toInt(), 42);
    // A header model that goes away is no longer handed out.
    delete header;
    QVERIFY(!proxy.data(QModelIndex(), ROLE_HORIZONTAL_HEADER_MODEL).isValid());
}

// The same header model read down the side: a two-level section is as wide as its two cells side by side,
// the proxy hands the vertical model out on its own role and announces it over the rows it has, and a model
// without rows announces nothing.
void TestHierarchicalHeader::verticalHeaderStacksSideways()
{
    QStandardItemModel data(3, 2);
    QStandardItemModel header;
    auto* a = new QStandardItem(QStringLiteral("AA"));
    a->setChild(0, 0, new QStandardItem(QStringLiteral("AA")));
    a->setChild(0, 1, new QStandardItem(QStringLiteral("AA")));
    header.setItem(0, 0, a);
    header.setItem(0, 1, new QStandardItem(QStringLiteral("AA")));
    ProxyModelWithHeaderModels proxy;
    proxy.setModel(&data);
    QSignalSpy announced(&proxy, &QAbstractItemModel::headerDataChanged);
    proxy.SetVerticalHeaderModel(&header);
    QCOMPARE(announced.count(), 1);
    QCOMPARE(announced.at(0).at(0).value<Qt::Orientation>(), Qt::Vertical);
    QCOMPARE(announced.at(0).at(1).toInt() * 10 + announced.at(0).at(2).toInt(), 2);
    QCOMPARE(proxy.data(QModelIndex(), ROLE_VERTICAL_HEADER_MODEL).value<QObject*>(), &header);
    QVERIFY(!proxy.data(QModelIndex(), ROLE_HORIZONTAL_HEADER_MODEL).isValid());

    QTableView view;
    auto* hv = new CProbeHeader(Qt::Vertical, &view);
    view.setVerticalHeader(hv);
    view.setModel(&proxy);
    const int leaf = hv->SizeOf(2).width();
    QVERIFY(leaf > 0);
    QCOMPARE(hv->SizeOf(0).width(), 2 * leaf);
    QCOMPARE(hv->SizeOf(1).width(), 2 * leaf);
    QCOMPARE(hv->SizeOf(0).height(), hv->SizeOf(2).height());

    QStandardItemModel empty;
    ProxyModelWithHeaderModels bare;
    bare.setModel(&empty);
    QSignalSpy none(&bare, &QAbstractItemModel::headerDataChanged);
    bare.SetVerticalHeaderModel(&header);
    bare.SetHorizontalHeaderModel(&header);
    QCOMPARE(none.count(), 0);
}

VARROW_TEST_MAIN(TestHierarchicalHeader, QApplication)
#include "tst_gui_hierarchicalheader.moc"
