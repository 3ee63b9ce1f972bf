#include "comm/DatagramView.h"
#include "i18n/LanguageManager.h"
#include "monitor/AddressTableModel.h"
#include "monitor/AddressTableView.h"
#include "osc/OscArguments.h"
#include "osc/OscBundle.h"
#include "osc/OscCodec.h"

#include <QRandomGenerator>
#include <QtTest>
#include <QtWidgets>

#include <cstring>

namespace {

// A byte fixture written one 4-byte word per literal, so every boundary shows where it is.
template <std::size_t... N>
QByteArray words(const char (&...word)[N])
{
    static_assert(((N == 5) && ...), "each literal of a fixture is one word");
    QByteArray bytes;
    (bytes.append(word, 4), ...);
    return bytes;
}

QByteArray intMessage(const QString &address, int value)
{
    return OscCodec::buildOscMessage(address, QStringLiteral(",i"), QString::number(value));
}

QString timeText(quint64 timeTag)
{
    return OscBundle::timeTagToDateTime(timeTag).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QVariant cell(const QAbstractItemModel &model, const QString &address, int column, int role = Qt::DisplayRole)
{
    const QModelIndex row = model.match(model.index(0, 0), AddressTableModel::AddressRole, address, 1, Qt::MatchExactly).value(0);
    return row.siblingAtColumn(column).data(role);
}

} // namespace

class tst_Monitor : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryTagExactly_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("offsets");
        QTest::addColumn<bool>("complete");

        //                                    |   0  |   4  |   8  |  12  |  16  |  20  |
        QTest::newRow("int32 and float32") << words("/a\0\0", ",if\0", "\xff\xff\xff\xfb", "\x40\x49\x0f\xd0")
                                           << ",if" << "-5 3.14159" << "8 12" << true;
        QTest::newRow("float 0.1 shortest") << words("/a\0\0", ",fd\0", "\x3d\xcc\xcc\xcd", "\x3f\xb9\x99\x99", "\x99\x99\x99\x9a")
                                            << ",fd" << "0.1 0.1" << "8 12" << true;
        QTest::newRow("string whole, int64") << words("/a\0\0", ",sh\0", "a b ", "c\0\0\0", "\xff\xff\xff\xff", "\xff\xff\xff\xfe")
                                             << ",sh" << "\"a b c\" -2" << "8 16" << true;
        QTest::newRow("blob short") << words("/a\0\0", ",bS\0", "\0\0\0\x03", "\x0a\x0b\x0c\0", "sym\0")
                                    << ",bS" << "3 bytes: 0a 0b 0c \"sym\"" << "8 16" << true;
        QTest::newRow("blob of 17 bytes shows 16")
            << words("/a\0\0", ",b\0\0", "\0\0\0\x11", "\0\1\2\3", "\4\5\6\7", "\x08\x09\x0a\x0b", "\x0c\x0d\x0e\x0f", "\x10\0\0\0")
            << ",b" << "17 bytes: 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f \u2026" << "8" << true;
        QTest::newRow("char, rgba, midi")
            << words("/a\0\0", ",ccr", "m\0\0\0", "\0\0\0A", "\0\0\0\x07", "\xff\x80\x00\xc0", "\x01\x90\x3c\x7f")
            << ",ccrm" << "A U+0007 #FF8000C0 01 90 3c 7f" << "12 16 20 24" << true;
        QTest::newRow("char byte-order mark") << words("/a\0\0", ",c\0\0", "\0\0\xfe\xff") << ",c" << QString(QChar(0xfeff)) << "8" << true;
        QTest::newRow("string padding cut off") << words("/a\0\0", ",sT\0", "ab\0\0").left(11) << ",sT" << "\"ab\" True" << "8 11" << true;
        QTest::newRow("no-data tags") << words("/a\0\0", ",[TF", "NI]\0", "\0\0\0\x01")
                                      << ",[TFNI]" << "[ True False Nil Infinitum ]" << "12 12 12 12 12 12" << true;
        QTest::newRow("time tags") << words("/a\0\0", ",tt\0", "\xe0\0\0\0", "\x80\0\0\0", "\0\0\0\0", "\0\0\0\x01") << ",tt"
                                   << timeText(0xe000000080000000) + ' ' + timeText(OscBundle::Immediately) << "8 16" << true;
        QTest::newRow("no type tags") << words("/a\0\0") << "" << "" << "" << true;
        QTest::newRow("int32 cut short") << words("/a\0\0", ",ii\0", "\0\0\0\x01", "\0\0\0\0").left(14) << ",ii" << "1" << "8" << false;
        QTest::newRow("string without end") << words("/a\0\0", ",is\0", "\0\0\0\x01", "abcd") << ",is" << "1" << "8" << false;
        QTest::newRow("blob past end") << words("/a\0\0", ",b\0\0", "\0\0\0\x09", "abcd") << ",b" << "" << "" << false;
        QTest::newRow("negative blob") << words("/a\0\0", ",b\0\0", "\xff\xff\xff\xff", "abcd") << ",b" << "" << "" << false;
        QTest::newRow("unknown tag stops") << words("/a\0\0", ",ix\0", "\0\0\0\x01", "\0\0\0\x02") << ",ix" << "1" << "8" << false;
        QTest::newRow("type tags without end") << words("/a\0\0", ",iii") << ",iii" << "" << "" << false;
    }

    void readsEveryTagExactly()
    {
        QFETCH(QByteArray, message);
        QFETCH(QString, tags);
        QFETCH(QString, values);
        QFETCH(QString, offsets);
        QFETCH(bool, complete);

        // A view into a longer buffer: a read past the end would see the tail's bytes.
        const QByteArray padded = message + QByteArray(64, '\x7f');
        const OscArguments::Message read =
                OscArguments::read(QByteArray::fromRawData(padded.constData(), message.size()), OscTextEncoding());
        QCOMPARE(read.address, QStringLiteral("/a"));
        QCOMPARE(read.typeTags, tags);
        QCOMPARE(OscArguments::valuesText(read), values);
        QStringList starts;
        for (const OscArguments::Argument &argument : read.arguments)
            starts << QString::number(argument.offset);
        QCOMPARE(starts.join(' '), offsets);
        QCOMPARE(read.complete, complete);
    }

    // Every float and double text reads back to the very same bits, and is the shortest that does.
    void exactNumbersReadBack()
    {
        QCOMPARE(OscArguments::exactFloat(16777216.0f), QStringLiteral("16777216"));
        QRandomGenerator random(15);
        for (int i = 0; i < 20000; ++i) {
            const quint32 bits32 = random.generate();
            const quint64 bits64 = random.generate64();
            float single;
            double wide;
            std::memcpy(&single, &bits32, sizeof single);
            std::memcpy(&wide, &bits64, sizeof wide);
            if (std::isnan(single) || std::isnan(wide))
                continue;
            const QString singleText = OscArguments::exactFloat(single);
            const float singleBack = std::strtof(singleText.toLatin1().constData(), nullptr);
            QVERIFY2(std::memcmp(&singleBack, &single, sizeof single) == 0, qPrintable(singleText));
            const QString wideText = OscArguments::exactDouble(wide);
            const double wideBack = std::strtod(wideText.toLatin1().constData(), nullptr);
            QVERIFY2(std::memcmp(&wideBack, &wide, sizeof wide) == 0, qPrintable(wideText));
            QVERIFY2(QString::number(single, 'g', 9).size() >= singleText.size(), qPrintable(singleText));
        }
    }

    // Counts, last value and sender per address; new rows reach views in one announcement.
    void tableRecordsAndCoalesces()
    {
        AddressTableModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 1000; ++i)
            model.record(intMessage(QStringLiteral("/ch/%1").arg(i % 100), i), QStringLiteral("10.0.0.%1:9000").arg(i % 3));
        model.record(words("/rgb", "\0\0\0\0", ",r\0\0", "\x11\x22\x33\x44"), QStringLiteral("::1:8000"));
        model.record(words("/t\0\0", ",t\0\0", "\0\0\0\0", "\0\0\0\x01"), QStringLiteral("::1:8000"));
        QCOMPARE(model.rowCount(), 0);
        QTRY_COMPARE(model.rowCount(), 102);
        QCOMPARE(inserted.count(), 1);

        QCOMPARE(cell(model, "/ch/7", AddressTableModel::CountColumn).toInt(), 10);
        QCOMPARE(cell(model, "/ch/7", AddressTableModel::ValueColumn).toString(), QStringLiteral("907"));
        QCOMPARE(cell(model, "/ch/7", AddressTableModel::TypeTagsColumn).toString(), QStringLiteral(",i"));
        QCOMPARE(cell(model, "/ch/7", AddressTableModel::SenderColumn).toString(), QStringLiteral("10.0.0.1:9000"));
        QCOMPARE(cell(model, "/rgb", AddressTableModel::ValueColumn).toString(), QStringLiteral("#11223344"));
        QCOMPARE(cell(model, "/rgb", AddressTableModel::ValueColumn, Qt::DecorationRole).value<QColor>(),
                 QColor(0x11, 0x22, 0x33, 0x44));
        QCOMPARE(cell(model, "/t", AddressTableModel::ValueColumn).toString(), QStringLiteral("立即"));

        // Later values of known addresses come as changes, not as new rows.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        for (int i = 0; i < 500; ++i)
            model.record(intMessage(QStringLiteral("/ch/7"), i), QStringLiteral("10.0.0.9:9000"));
        QTRY_VERIFY(!changed.isEmpty());
        QCOMPARE(cell(model, "/ch/7", AddressTableModel::ValueColumn).toString(), QStringLiteral("499"));
        QCOMPARE(inserted.count(), 1);
        QVERIFY(changed.count() <= 2);
    }

    // The rate counts the arrivals of the last second before the newest moment known.
    void rateCountsTheLastSecond()
    {
        AddressTableModel model;
        // Far ahead of the clock, so the refresh's own clock reading cannot move the window.
        const qint64 late = QDateTime::currentMSecsSinceEpoch() + 3600 * 1000;
        for (const qint64 at : {late - 5000, late - 3000, late - 1500, late - 800, late - 50, late, late})
            model.record(intMessage(QStringLiteral("/a"), 1), QStringLiteral("h:1"), at);
        model.record(intMessage(QStringLiteral("/b"), 1), QStringLiteral("h:1"), late - 2000);
        QTRY_COMPARE(model.rowCount(), 2);
        QCOMPARE(cell(model, "/a", AddressTableModel::RateColumn).toDouble(), 4.0);
        QCOMPARE(cell(model, "/b", AddressTableModel::RateColumn).toDouble(), 0.0);
        QCOMPARE(cell(model, "/a", AddressTableModel::CountColumn).toInt(), 7);

        // Without traffic, every row's rate is announced again until it can have fallen to zero.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QTRY_VERIFY(std::any_of(changed.cbegin(), changed.cend(), [](const QList<QVariant> &arguments) {
            const QModelIndex last = arguments.at(1).toModelIndex();
            return last.row() == 1 && last.column() == AddressTableModel::RateColumn;
        }));
    }

    // Past the limit, new addresses share one row and the limit is announced once until clear().
    void limitFillsOneOtherRow()
    {
        AddressTableModel model;
        QSignalSpy limit(&model, &AddressTableModel::addressLimitReached);
        for (int round = 1; round <= 2; ++round) {
            for (int i = 0; i < AddressTableModel::MaxAddresses + 5; ++i)
                model.record(intMessage(QStringLiteral("/n/%1").arg(i), i), QStringLiteral("h:1"));
            model.record(intMessage(QStringLiteral("/n/0"), 1), QStringLiteral("h:1"));
            QTRY_COMPARE(model.rowCount(), AddressTableModel::MaxAddresses + 1);
            QCOMPARE(limit.count(), round);
            QCOMPARE(limit.last().at(0).toInt(), AddressTableModel::MaxAddresses);
            const QModelIndex other = model.match(model.index(0, 0), Qt::DisplayRole, QStringLiteral("(其他)")).value(0);
            QCOMPARE(other.siblingAtColumn(AddressTableModel::CountColumn).data().toInt(), 5);
            QCOMPARE(cell(model, "/n/0", AddressTableModel::CountColumn).toInt(), 2);
            model.clear();
            QCOMPARE(model.rowCount(), 0);
        }
    }

    void viewFiltersSortsAndAsks()
    {
        AddressTableModel model;
        AddressTableView view(&model);
        view.resize(800, 400);
        view.show();
        for (const char *address : {"/mix/a", "/mix/b", "/mix/b", "/ch/1", "/ch/1", "/ch/1"})
            model.record(intMessage(QString::fromLatin1(address), 1), QStringLiteral("h:1"));
        QTableView *table = view.findChild<QTableView *>(QStringLiteral("addressTable"));
        QTRY_COMPARE(table->model()->rowCount(), 3);

        const auto shown = [table] {
            QStringList addresses;
            for (int row = 0; row < table->model()->rowCount(); ++row)
                addresses << table->model()->index(row, 0).data().toString();
            return addresses;
        };
        const QPoint countHeader(table->horizontalHeader()->sectionViewportPosition(AddressTableModel::CountColumn) + 5, 5);
        QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {}, countHeader);
        QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {}, countHeader);
        QCOMPARE(shown(), QStringList({"/ch/1", "/mix/b", "/mix/a"}));

        QTest::keyClicks(view.filterEdit(), QStringLiteral("MIX"));
        QCOMPARE(shown(), QStringList({"/mix/b", "/mix/a"}));
        view.filterEdit()->setText(QStringLiteral("!/mix/b"));
        QCOMPARE(shown(), QStringList({"/ch/1", "/mix/a"}));

        QSignalSpy activated(&view, &AddressTableView::addressActivated);
        const QPoint firstRow = table->visualRect(table->model()->index(0, 2)).center();
        // An item view takes a double click only on the item a press landed on first.
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, firstRow);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, firstRow);
        QCOMPARE(activated.value(0).value(0).toString(), QStringLiteral("/ch/1"));

        QSignalSpy chart(&view, &AddressTableView::chartRuleRequested);
        QSignalSpy label(&view, &AddressTableView::labelControlRequested);
        for (int action = 0; action < 2; ++action) {
            QTimer::singleShot(50, this, [action] {
                if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                    menu->actions().at(action)->trigger();
                    menu->close();
                }
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, firstRow, table->viewport()->mapToGlobal(firstRow));
            QCoreApplication::sendEvent(table->viewport(), &event);
        }
        QCOMPARE(chart.value(0).value(0).toString(), QStringLiteral("/ch/1"));
        QCOMPARE(label.value(0).value(0).toString(), QStringLiteral("/ch/1"));

        LanguageManager::instance().setLanguage(1);
        const QString header = table->model()->headerData(AddressTableModel::ValueColumn, Qt::Horizontal).toString();
        LanguageManager::instance().setLanguage(0);
        QCOMPARE(header, QStringLiteral("Last Value"));
    }

    void datagramViewShowsArgumentsAndDump()
    {
        DatagramView view;
        //                    |   0  |   4  |   8  |  12  |  16  |  20  |
        const QByteArray bytes = words("/mix", "/vol", "\0\0\0\0", ",fi\0", "\x3f\x66\x66\x66", "\0\0\0\x05");
        view.showEntry(LogEntry::datagram(LogDirection::Rx, bytes, QStringLiteral("[127.0.0.1:9000] /mix/vol")));
        const QStringList lines = view.toPlainText().split('\n');
        QVERIFY(lines.contains(QStringLiteral("/mix/vol ,fi")));
        QVERIFY(lines.contains(QStringLiteral("  [0] float32 @16: 0.9")));
        QVERIFY(lines.contains(QStringLiteral("  [1] int32 @20: 5")));
        QCOMPARE(lines.mid(lines.size() - 2),
                 QStringList({"0000  2f 6d 69 78 2f 76 6f 6c 00 00 00 00 2c 66 69 00  /mix/vol....,fi.",
                              "0010  3f 66 66 66 00 00 00 05                          ?fff...."}));

        view.showEntry(LogEntry(QStringLiteral("端口已绑定")));
        QCOMPARE(view.toPlainText(), QStringLiteral("端口已绑定"));
        view.clear();
        QVERIFY(view.toPlainText().isEmpty());
    }
};

QTEST_MAIN(tst_Monitor)
#include "tst_monitor.moc"
