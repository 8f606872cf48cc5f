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

    explicit CFixture(bool colours = false)
    {
        const auto cell = [colours](const char* text, Qt::GlobalColor colour) {
            auto* item = new QStandardItem(QString::fromLatin1(text));
            if (colours)
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
    void stackedCellsSetTheHeight();
    void turnedCellMeasuresSwapped();
    void spansArePaintedOverTheirLeaves();
    void widerLeafRepaintsTheSpanStart();
    void proxyAnswersOnlyAtTheRoot();
    void proxyAnnouncesHeaderChanges();
};

void TestHierarchicalHeader::stackedCellsSetTheHeight()
{
    CFixture f;
    const QSize a = f.hv->SizeOf(0);
    const QSize b = f.hv->SizeOf(2);
    // One line of bold text per level: the two-level section is twice as tall as the single leaf.
    QVERIFY(b.height() > 0);
    QCOMPARE(a.height(), 2 * b.height());
    QCOMPARE(f.hv->SizeOf(1).height(), a.height());

    // A size hint on the upper cell holds it open.
    f.header.item(0, 0)->setData(QSize(10, 60), Qt::SizeHintRole);
    QCOMPARE(f.hv->SizeOf(0).height(), 60 + b.height());
    QVERIFY(f.hv->sizeHint().height() >= 60 + b.height());
}

void TestHierarchicalHeader::turnedCellMeasuresSwapped()
{
    CFixture f;
    f.header.item(0, 1)->setText(QStringLiteral("Backup Progress of the channel"));
    const QSize flat = f.hv->SizeOf(2);
    QVERIFY(flat.width() > flat.height());
    f.header.item(0, 1)->setData(true, Qt::UserRole);
    const QSize turned = f.hv->SizeOf(2);
    QVERIFY2(turned.height() > turned.width(), "a turned cell must be measured upright");
    QVERIFY(turned.height() >= flat.width() - 4);

    // It is painted without falling back to a one-level cell: its colour fills the whole section.
    f.header.item(0, 1)->setBackground(QColor(Qt::yellow));
    f.hv->setStyleSheet(QString());
    f.hv->resize(300, turned.height());
    const QImage image = f.hv->grab().toImage();
    QVERIFY(Dominant(image.pixel(250, 3), 3));
    QVERIFY(Dominant(image.pixel(205, image.height() - 4), 3));
}

void TestHierarchicalHeader::spansArePaintedOverTheirLeaves()
{
    CFixture f(true);
    // The style's own section frame is not what is tested: paint with the plain style and the cells' colours.
    f.hv->setStyleSheet(QString());
    const int levelHeight = f.hv->SizeOf(2).height();
    f.hv->resize(300, 2 * levelHeight);
    const QImage image = f.hv->grab().toImage();
    const int upper = levelHeight / 2;
    const int lower = levelHeight + levelHeight / 2;
    const int red = 0, green = 1, blue = 2, yellow = 3;
    // A across sections 0 and 1, on both sides of their border.
    for (const int x : {20, 100, 180})
        QVERIFY(Dominant(image.pixel(x, upper), red));
    // The leaves show the border between sections 0 and 1; the spanning cell above them has none there.
    // Compared with the same row of the cell further left, away from the text.
    auto separated = [&](int y) {
        const QRgb reference = image.pixel(60, y);
        for (int x = 94; x <= 106; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAbs(qRed(p) - qRed(reference)) + qAbs(qGreen(p) - qGreen(reference)) < 40)
                continue;
            if (Dominant(p, blue) && x > 100)
                continue; // A2 itself
            return true;
        }
        return false;
    };
    QVERIFY(separated(levelHeight + 3));
    QVERIFY(!separated(3));
    QVERIFY(Dominant(image.pixel(50, lower), green));
    QVERIFY(Dominant(image.pixel(150, lower), blue));
    // B is a single level over the full height.
    QVERIFY(Dominant(image.pixel(250, upper), yellow) && Dominant(image.pixel(250, lower), yellow));
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

    // Section 2 (B) is a leaf of its own: nothing before it needs repainting.
    QCoreApplication::processEvents();
    recorder.m_painted = QRegion();
    f.hv->resizeSection(2, 150);
    QTRY_VERIFY(!recorder.m_painted.isEmpty());
    QVERIFY(!recorder.m_painted.contains(QPoint(10, 2)));
}

void TestHierarchicalHeader::proxyAnswersOnlyAtTheRoot()
{
    QStandardItemModel data(2, 2);
    data.setData(data.index(1, 1), QStringLiteral("plan 7"), Qt::UserRole);
    data.setData(data.index(1, 1), 42, Qt::UserRole + 1);
    auto* header = new QStandardItemModel;
    QStandardItemModel vertical;
    ProxyModelWithHeaderModels proxy;
    proxy.setModel(&data);
    QVERIFY(!proxy.data(QModelIndex(), ROLE_HORIZONTAL_HEADER_MODEL).isValid());

    proxy.SetHorizontalHeaderModel(header);
    proxy.SetVerticalHeaderModel(&vertical);
    QCOMPARE(proxy.data(QModelIndex(), ROLE_HORIZONTAL_HEADER_MODEL).value<QObject*>(), header);
    QCOMPARE(proxy.data(QModelIndex(), ROLE_VERTICAL_HEADER_MODEL).value<QObject*>(), &vertical);
    // The cells keep their own values of the same roles, which the pages store there.
    QCOMPARE(proxy.data(proxy.index(1, 1), Qt::UserRole).toString(), QStringLiteral("plan 7"));
    QCOMPARE(proxy.data(proxy.index(1, 1), Qt::UserRole + 1).toInt(), 42);
    QVERIFY(!proxy.data(proxy.index(0, 0), Qt::UserRole).isValid());

    // A header model that goes away is no longer handed out.
    delete header;
    QVERIFY(!proxy.data(QModelIndex(), ROLE_HORIZONTAL_HEADER_MODEL).isValid());
}

void TestHierarchicalHeader::proxyAnnouncesHeaderChanges()
{
    QStandardItemModel empty, data(5, 3), header;
    ProxyModelWithHeaderModels proxy;
    proxy.setModel(&empty);
    QSignalSpy spy(&proxy, &QAbstractItemModel::headerDataChanged);
    proxy.SetHorizontalHeaderModel(&header);
    QCOMPARE(spy.count(), 0);
    proxy.setModel(&data);
    spy.clear();
    proxy.SetHorizontalHeaderModel(&header);
    proxy.SetVerticalHeaderModel(&header);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0), (QList<QVariant>{QVariant::fromValue(Qt::Horizontal), 0, 2}));
    QCOMPARE(spy.at(1), (QList<QVariant>{QVariant::fromValue(Qt::Vertical), 0, 4}));
}

VARROW_TEST_MAIN(TestHierarchicalHeader, QApplication)
#include "tst_gui_hierarchicalheader.moc"
