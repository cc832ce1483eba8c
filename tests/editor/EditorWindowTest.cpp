#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "core/Globals.h"
#include "core/modDialogs.h"
#include "core/modSettings.h"
#include "editor/modColorDialog.h"
#include "editor/modFontList.h"
#include "editor/winEditor.h"

#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

// Editors release themselves when closed; tests close whatever is left.
struct EditorGuard
{
    ~EditorGuard()
    {
        QList<QPointer<QWidget>> editors;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (window->inherits("winEditor"))
                editors << window;
        qDeleteAll(editors);
        modDialogs::SetDialogRunner({});
    }
};

QStringList ComboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

} // namespace

class EditorWindowTest final : public QObject
{
    Q_OBJECT

private slots:
    void controlsHaveTheirDesign_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("caption");
        QTest::newRow("FontCombo") << "FontCombo" << QRect(24, 24, 169, 21) << "Text Font" << "";
        QTest::newRow("FontSizeCombo") << "FontSizeCombo" << QRect(200, 24, 41, 21) << "Text Size" << "";
        QTest::newRow("Label2") << "Label2" << QRect(248, 24, 21, 21) << "Background Color" << "";
        QTest::newRow("Label3") << "Label3" << QRect(272, 24, 21, 21) << "Text Color" << "";
        QTest::newRow("Command3") << "Command3" << QRect(300, 24, 21, 21) << "Bold Text" << "B";
        QTest::newRow("Command4") << "Command4" << QRect(324, 24, 21, 21) << "Italic Text" << "I";
        QTest::newRow("Text1") << "Text1" << QRect(24, 56, 321, 129) << "" << "";
        QTest::newRow("Command1") << "Command1" << QRect(208, 208, 73, 25) << "" << "Create";
        QTest::newRow("Command2") << "Command2" << QRect(288, 208, 73, 25) << "" << "Cancel";
        QTest::newRow("Shape2") << "Shape2" << QRect(8, 8, 353, 193) << "" << "";
    }
    void controlsHaveTheirDesign()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, toolTip);
        QFETCH(QString, caption);
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::SharedEditor();
        auto *control = editor->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->toolTip(), toolTip);
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);
    }

    void windowOpensWithDesignLook()
    {
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::SharedEditor();
        QCOMPARE(editor->windowTitle(), QString("Zettlor Note Editor"));
        QCOMPARE(editor->size(), QSize(369, 241));
        QCOMPARE(editor->minimumSize(), editor->maximumSize());
        QVERIFY(!(editor->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(editor->TextBackColor(), QColor(0xFF, 0xFF, 0xC0));
        QCOMPARE(modColorDialog::SwatchColor(editor->Label3), QColor(0x40, 0x40, 0x40));
        QCOMPARE(editor->Text1->font().pointSizeF(), 8.25);
        QCOMPARE(editor->FontSizeCombo->currentText(), QString("8"));
        QCOMPARE(ComboItems(editor->FontSizeCombo), modFontList::FontSizeList());
        QCOMPARE(winEditor::SharedEditor(), editor);
        QVERIFY(winEditor::NewEditor() != editor);
    }

    void savedDefaultsAreApplied_data()
    {
        QTest::addColumn<QString>("noteColor");
        QTest::addColumn<QString>("fontName");
        QTest::addColumn<QString>("fontSize");
        QTest::addColumn<QString>("bold");
        QTest::addColumn<QColor>("backColor");
        QTest::addColumn<QString>("shownFont");
        QTest::addColumn<double>("points");
        QTest::addColumn<bool>("isBold");
        QTest::newRow("all set") << "16744448" << "Beta" << "14" << "True" << QColor(0, 128, 255) << "Beta"
                                 << 14.0 << true;
        QTest::newRow("negative colour text") << "-16777216" << "Gamma" << "9" << "False" << QColor(0, 0, 0)
                                              << "Gamma" << 9.0 << false;
        QTest::newRow("font not in list is refused") << "" << "Nope" << "" << "true"
                                                     << QColor(0xFF, 0xFF, 0xC0) << "Alpha" << 8.25 << false;
        QTest::newRow("colour not a number") << "yellow" << "" << "13 pt" << "" << QColor(0xFF, 0xFF, 0xC0)
                                             << "Alpha" << 13.0 << false;
    }
    void savedDefaultsAreApplied()
    {
        QFETCH(QString, noteColor);
        QFETCH(QString, fontName);
        QFETCH(QString, fontSize);
        QFETCH(QString, bold);
        QFETCH(QColor, backColor);
        QFETCH(QString, shownFont);
        QFETCH(double, points);
        QFETCH(bool, isBold);
        TestEnvironment environment;
        EditorGuard guard;
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\nGamma\r\n");
        modSettings::WriteSetting(SettingKeys::NoteColor, noteColor);
        modSettings::WriteSetting(SettingKeys::FontName, fontName);
        modSettings::WriteSetting(SettingKeys::FontSize, fontSize);
        modSettings::WriteSetting(SettingKeys::FontBold, bold);
        winEditor *editor = winEditor::SharedEditor();
        QCOMPARE(editor->TextBackColor(), backColor);
        QCOMPARE(modColorDialog::SwatchColor(editor->Label2), backColor);
        QCOMPARE(editor->FontCombo->currentText(), shownFont);
        QCOMPARE(editor->Text1->font().family(), shownFont);
        QCOMPARE(editor->Text1->font().pointSizeF(), points);
        QCOMPARE(editor->Text1->font().bold(), isBold);
        if (!fontSize.isEmpty())
            QCOMPARE(editor->FontSizeCombo->currentText(), fontSize);
    }

    void defaultsRoundTripIntoTheNextEditor()
    {
        TestEnvironment environment;
        EditorGuard guard;
        WriteBytes(modFontList::FontListFile(), "Alpha\r\nBeta\r\n");
        winEditor *first = winEditor::NewEditor();
        first->FontCombo->setCurrentIndex(1);
        first->FontSizeCombo->setEditText("13");
        first->SetTextBackColor(QColor(10, 20, 30));
        first->SetTextForeColor(QColor(200, 100, 50));
        QTest::mouseClick(first->Command4, Qt::LeftButton);
        first->SaveDefaults();
        QCOMPARE(modSettings::ReadSetting(SettingKeys::NoteColor), QString::number(30 << 16 | 20 << 8 | 10));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontItalic), QString("True"));
        QCOMPARE(modSettings::ReadSetting(SettingKeys::FontBold), QString("False"));
        winEditor *second = winEditor::NewEditor();
        QCOMPARE(second->TextBackColor(), QColor(10, 20, 30));
        QCOMPARE(second->TextForeColor(), QColor(200, 100, 50));
        QCOMPARE(second->FontCombo->currentText(), QString("Beta"));
        QCOMPARE(second->FontSizeCombo->currentText(), QString("13"));
        QVERIFY(second->Text1->font().italic());
    }

    void fontListIsWrittenOnceAndReadBack()
    {
        TestEnvironment environment;
        EditorGuard guard;
        const QString listFile = modFontList::FontListFile();
        modFontList::BuildFontList();
        const QStringList installed = modFontList::InstalledFonts();
        QVERIFY(!installed.isEmpty());
        QCOMPARE(installed.filter(" [").size(), 0);
        QCOMPARE(QSet<QString>(installed.begin(), installed.end()).size(), installed.size());
        QCOMPARE(ReadBytes(listFile), (installed.join("\r\n") + "\r\n").toUtf8());
        WriteBytes(listFile, "Only\r\n");
        winEditor *editor = winEditor::NewEditor();
        QCOMPARE(ComboItems(editor->FontCombo), QStringList{"Only"});
        QCOMPARE(ReadBytes(listFile), QByteArray("Only\r\n"));
    }

    void editorListsFontsItselfWithoutAFile()
    {
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::NewEditor();
        QCOMPARE(ComboItems(editor->FontCombo), modFontList::InstalledFonts());
        QCOMPARE(editor->FontCombo->currentIndex(), -1);
        QCOMPARE(editor->Text1->font().family(), QString("Verdana"));
        QCOMPARE(ReadBytes(modFontList::FontListFile()),
                 (modFontList::InstalledFonts().join("\r\n") + "\r\n").toUtf8());
    }

    void colourDialogFillsSwatchAndText_data()
    {
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("background chosen") << "Label2" << true;
        QTest::newRow("text chosen") << "Label3" << true;
        QTest::newRow("cancelled") << "Label2" << false;
    }
    void colourDialogFillsSwatchAndText()
    {
        QFETCH(QString, swatch);
        QFETCH(bool, confirm);
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::NewEditor();
        const QColor before = swatch == "Label2" ? editor->TextBackColor() : editor->TextForeColor();
        QColor preselected;
        QColor firstCustom;
        modDialogs::SetDialogRunner([&](QDialog &dialog) {
            auto &colors = static_cast<QColorDialog &>(dialog);
            preselected = colors.currentColor();
            firstCustom = QColorDialog::customColor(0);
            colors.setCurrentColor(QColor(1, 2, 3));
            return confirm ? int(QDialog::Accepted) : int(QDialog::Rejected);
        });
        auto *label = editor->findChild<QLabel *>(swatch);
        const QColor swatchBefore = modColorDialog::SwatchColor(label);
        QTest::mouseClick(label, Qt::LeftButton);
        QCOMPARE(preselected, swatchBefore);
        QCOMPARE(firstCustom, QColor(254, 254, 254));
        QCOMPARE(modColorDialog::SwatchColor(label), confirm ? QColor(1, 2, 3) : swatchBefore);
        const QColor textColor = swatch == "Label2" ? editor->TextBackColor() : editor->TextForeColor();
        QCOMPARE(textColor, confirm ? QColor(1, 2, 3) : before);
    }

    void pickingASizeAppliesItTypingDoesNot()
    {
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::NewEditor();
        editor->FontSizeCombo->setEditText("13");
        QCOMPARE(editor->Text1->font().pointSizeF(), 8.25);
        editor->FontSizeCombo->setCurrentIndex(editor->FontSizeCombo->findText("20"));
        emit editor->FontSizeCombo->activated(editor->FontSizeCombo->currentIndex());
        QCOMPARE(editor->Text1->font().pointSizeF(), 20.0);
    }

    void modifierIsRecordedOnPress()
    {
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::NewEditor();
        for (const auto modifier : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::NoModifier}) {
            // Any button's press counts; the right one does not click.
            QTest::mousePress(editor->Command1, Qt::RightButton, modifier);
            QCOMPARE(editor->modifierHeldOnClick, modifier != Qt::NoModifier);
            QTest::mouseRelease(editor->Command1, Qt::RightButton, modifier);
        }
    }

    void ctrlEnterRunsTheAction()
    {
        TestEnvironment environment;
        EditorGuard guard;
        QPointer<winEditor> editor = winEditor::NewEditor();
        editor->Command1->setText("Other");
        editor->Text1->setFocus();
        QTest::keyClick(editor->Text1, Qt::Key_Return);
        QCOMPARE(editor->Text1->toPlainText(), QString("\n"));
        QTest::keyPress(editor->Text1, Qt::Key_Control);
        QVERIFY(editor->ctrlKeyDown);
        QTest::keyClick(editor->Text1, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(editor.isNull());
    }

    void cancelClosesAndReleasesTheSharedEditor()
    {
        TestEnvironment environment;
        EditorGuard guard;
        winEditor *editor = winEditor::SharedEditor();
        editor->Text1->setPlainText("draft");
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QTRY_VERIFY(!winEditor::HasSharedEditor());
        QCOMPARE(winEditor::SharedEditor()->Text1->toPlainText(), QString());
    }
};

ZETTLOR_TEST_CLASS(EditorWindowTest)
#include "EditorWindowTest.moc"
