// Texts fit their controls with the fonts this platform has (run at 100 % and, as a second
// test, at QT_SCALE_FACTOR=2): every caption, list item and label of the main window shows
// whole, and a graph window's description that cannot fit ends in an ellipsis.
#include "form1fixture.h"
#include "graphwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyleOptionGroupBox>
#include <QToolButton>

namespace {

QString where(const QWidget *w, const QString &text)
{
    return QStringLiteral("%1 \"%2\" at %3 x scale")
        .arg(w->objectName(), text)
        .arg(w->devicePixelRatioF());
}

} // namespace

class TestTextFit : public QObject
{
    Q_OBJECT

    Form1Fixture f;

private slots:
    void init() { f.start(); }
    void cleanup() { f.stop(); }

    void listItemsShowWhole()
    {
        const auto combos = f.form->findChildren<QComboBox *>();
        QVERIFY(combos.size() >= 3);
        for (QComboBox *combo : combos) {
            // The style's measure of the longest item with frame, arrow and padding.
            QVERIFY2(combo->sizeHint().width() <= combo->width(),
                     qPrintable(where(combo, combo->currentText())));
        }
        auto *sensor = control<QComboBox>(f.form.get(), "SensorComboBox");
        QVERIFY(sensor->findText(QStringLiteral("Accelerometer")) >= 0);
        // The groups of the top strip keep their design place or grow to the right, in order,
        // without overlapping, left of the right-hand column.
        QRect before = control<QGroupBox>(f.form.get(), "GroupBox1")->geometry();
        QCOMPARE(before, QRect(8, 8, 233, 58));
        QCOMPARE(control<QGroupBox>(f.form.get(), "GroupBox4")->pos(), QPoint(264, 8));
        for (const char *name : {"GroupBox4", "GroupBox5", "SensorGroupBox", "ArrangeGroupBox"}) {
            const QRect place = control<QGroupBox>(f.form.get(), name)->geometry();
            QVERIFY2(place.left() > before.right() + 10 && place.width() >= 96, name);
            before = place;
        }
        QVERIFY(before.right() < control<QGroupBox>(f.form.get(), "CHGroupBox")->geometry().left());
    }

    void captionsShowWhole()
    {
        for (QAbstractButton *button : f.form->findChildren<QAbstractButton *>()) {
            if (!qobject_cast<QCheckBox *>(button) && !qobject_cast<QRadioButton *>(button))
                continue;
            if (button->text().isEmpty())
                continue;
            QVERIFY2(button->sizeHint().width() <= button->width(),
                     qPrintable(where(button, button->text())));
        }
        for (QLabel *label : f.form->findChildren<QLabel *>()) {
            if (qobject_cast<ElidedLabel *>(label) || label->text().isEmpty() ||
                !label->isVisibleTo(f.form.get()))
                continue;
            QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <=
                         label->contentsRect().width(),
                     qPrintable(where(label, label->text())));
        }
        for (QGroupBox *box : f.form->findChildren<QGroupBox *>()) {
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            const QRect label = box->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                             QStyle::SC_GroupBoxLabel, box);
            QVERIFY2(box->fontMetrics().horizontalAdvance(box->title()) <= label.width() &&
                         label.right() <= box->width(),
                     qPrintable(where(box, box->title())));
        }
    }

    void longDescriptionEndsInEllipsis()
    {
        f.form->resize(1024, 600);
        Recording r;
        r.file = "a-recording-file-name-much-longer-than-any-graph-window-in-two-columns.csv";
        QVERIFY(enterRecording(r));
        r.file = "second.csv";
        QVERIFY(enterRecording(r));
        control<QToolButton>(f.form.get(), "SpeedButton2")->click();
        auto *label = control<ElidedLabel>(f.form.get(), "Graph1InfoLabel");
        QVERIFY(label->text().contains(QStringLiteral("a-recording-file-name")));
        QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) >
                label->contentsRect().width());
        const QString shown = label->shownText();
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(label->fontMetrics().horizontalAdvance(shown) <= label->contentsRect().width());
        QVERIFY(label->text().startsWith(shown.chopped(1)));
    }
};

QTEST_MAIN(TestTextFit)
#include "test_textfit.moc"
