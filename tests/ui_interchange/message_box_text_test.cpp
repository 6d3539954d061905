// The real message boxes show their texts as plain text: names of cards,
// cells of tables and form descriptions come from outside and may hold
// markup, which must be shown as it stands and never rendered.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "platform/ui/message_boxes.h"
#include "ui_support/qt_test.h"

class MessageBoxTextTest : public QObject {
  Q_OBJECT

 private slots:
  void markupIsShownAsItStands() {
    const QString text = QStringLiteral("Name: <b>gold</b> <img src=\"/etc/passwd\"> &amp;");
    Qt::TextFormat format = Qt::RichText;
    QStringList labels;
    QTimer::singleShot(50, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      format = box->textFormat();
      for (QLabel* label : box->findChildren<QLabel*>()) labels << label->text();
      box->button(QMessageBox::No)->click();
    });
    tb::ui::QtMessageBoxes boxes;
    tb::ui::MessageBoxRequest request;
    request.text = text;
    request.caption = QStringLiteral("<i>caption</i>");
    request.buttons = tb::ui::Buttons::YesNo;
    QCOMPARE(boxes.Show(nullptr, request), tb::ui::Answer::No);
    QCOMPARE(format, Qt::PlainText);
    QVERIFY(labels.contains(text));
  }
};

TB_QT_TEST(MessageBoxTextTest)
#include "message_box_text_test.moc"
