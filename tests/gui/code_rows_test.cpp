// The rows behind the editors' lists: sorted without regard to letter case
// (equal texts in the order they came), moved, renamed and taken out one by
// one or many at once, always telling their views consistently (Qt's model
// tester watches every change).
#include <QAbstractItemModelTester>
#include <QtTest>

#include "CodeRows.h"

namespace {

QStringList Texts(const TCodeRows& rows) {
    QStringList texts;
    for (int row = 0; row < rows.Count(); ++row) texts << rows.Text(row);
    return texts;
}

std::vector<int32_t> Codes(const TCodeRows& rows) {
    std::vector<int32_t> codes;
    for (int row = 0; row < rows.Count(); ++row) codes.push_back(rows.Code(row));
    return codes;
}

}  // namespace

class CodeRowsTest : public QObject {
    Q_OBJECT

private slots:
    void sortedRowsKeepTheirPlace() {
        TCodeRows rows(true, nullptr);
        QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
        rows.Assign({{"peso", 1}, {"Cor", 2}, {"febre", 3}, {"Peso", 4}});
        QCOMPARE(Texts(rows), (QStringList{"Cor", "febre", "peso", "Peso"}));
        QCOMPARE(rows.Add(QStringLiteral("PESO"), 5), 4);  // after its equals
        QCOMPARE(rows.Add(QStringLiteral("altura"), 6), 0);
        QCOMPARE(rows.RowOfText(QStringLiteral("FEBRE")), 2);
        QCOMPARE(rows.RowOfCode(4), 4);

        // Renamed, a row moves to its new place.
        QCOMPARE(rows.SetText(rows.RowOfCode(2), QStringLiteral("Tosse")), 5);
        QCOMPARE(Texts(rows), (QStringList{"altura", "febre", "peso", "Peso", "PESO", "Tosse"}));

        // Several rows out in one pass, in their order; merged back in place.
        const std::vector<TCodeRows::TRow> taken = rows.TakeRows({0, 2, 5});
        QCOMPARE(taken.size(), std::size_t(3));
        QCOMPARE(taken[0].Code, 6);
        QCOMPARE(taken[1].Code, 1);
        QCOMPARE(taken[2].Code, 2);
        QCOMPARE(Codes(rows), (std::vector<int32_t>{3, 4, 5}));
        rows.AddAll(std::vector<TCodeRows::TRow>(taken.begin(), taken.end()));
        QCOMPARE(Texts(rows), (QStringList{"altura", "febre", "Peso", "PESO", "peso", "Tosse"}));
        QCOMPARE(rows.TakeAll().size(), std::size_t(6));
        QCOMPARE(rows.Count(), 0);
    }

    void unsortedRowsMoveWhereTheyAreDropped() {
        struct TCase {
            int from;
            int to;
            std::vector<int32_t> codes;
        };
        const std::vector<TCase> cases{
            {0, 3, {2, 3, 4, 1, 5}},
            {3, 0, {4, 1, 2, 3, 5}},
            {1, 2, {1, 3, 2, 4, 5}},
            {4, 4, {1, 2, 3, 4, 5}},  // onto itself: nothing
        };
        for (const TCase& c : cases) {
            TCodeRows rows(false, nullptr);
            QAbstractItemModelTester tester(&rows, QAbstractItemModelTester::FailureReportingMode::QtTest);
            for (int32_t code = 1; code <= 5; ++code) rows.Add(QString::number(code), code);
            rows.Move(c.from, c.to);
            QCOMPARE(Codes(rows), c.codes);
            QCOMPARE(rows.SetText(2, QStringLiteral("x")), 2);  // an unsorted row stays put
        }
    }
};

QTEST_MAIN(CodeRowsTest)
#include "code_rows_test.moc"
