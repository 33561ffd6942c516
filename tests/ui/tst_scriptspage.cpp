// The options dialog's " Scripts " tab and the script editor: the list by name, New, Copy (twice),
// Edit with a rename, Delete after its question, and the editor's refusals and questions.
#include "commands/ScriptFolder.h"
#include "console/Console.h"
#include "ui/MessageBoxes.h"
#include "ui/ScriptEditor.h"
#include "ui/ScriptsPage.h"
#include "ui/Theme.h"
#include "ui/UrlOpener.h"

#include "ModalDialogs.h"
#include "TestFiles.h"

#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {

const QString kNoBox = QStringLiteral("(no box)");

void resetBoxes() {
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    MessageBoxes::inform(nullptr, kNoBox);
}

// A started console and its scripts tab; the scripts a test writes are in its folder.
struct Fixture {
    QTemporaryDir dir;
    Console console{dir.path()};
    std::unique_ptr<ScriptsPage> page;

    explicit Fixture(const QList<QPair<QString, QByteArray>> &scripts = {}) {
        QDir().mkpath(dir.filePath(QStringLiteral("scripts")));
        for (const auto &[name, bytes] : scripts)
            writeBytes(path(name), bytes);
        console.start();
        page = std::make_unique<ScriptsPage>(&console);
        resetBoxes();
    }
    ~Fixture() { console.shutDown(); }

    QString path(const QString &name) const {
        return dir.filePath(QStringLiteral("scripts/") + name + QStringLiteral(".kvs"));
    }
    QByteArray bytes(const QString &name) const { return readBytes(path(name)); }
    ScriptEditor *editor() const { return page->editor(); }

    QStringList listed() const {
        QStringList names;
        for (int i = 0; i < page->list()->topLevelItemCount(); ++i)
            names << page->list()->topLevelItem(i)->text(0);
        return names;
    }
    void select(const QString &name) const {
        const QList<QTreeWidgetItem *> found = page->list()->findItems(name, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(name));
        page->list()->setCurrentItem(found.constFirst());
    }
    bool buttonsForASelection() const {
        return page->copyButton()->isEnabled() && page->editButton()->isEnabled() &&
               page->deleteButton()->isEnabled();
    }
    bool noButtonsForASelection() const {
        return !page->copyButton()->isEnabled() && !page->editButton()->isEnabled() &&
               !page->deleteButton()->isEnabled();
    }
};

// Types a name and text into the editor once it shows, then presses Ok; presses Cancel as well
// when the editor stays open. Says what the editor held and whether Ok closed it.
struct EditorVisit {
    bool shown = false;
    QString nameShown;
    QString textShown;
    QString openedName;
    bool nameFocused = false;
    bool closedByOk = false;
    QString textAfterOk;
};

EditorVisit typeAndPressOk(const std::function<void()> &open, const QVariant &name,
                           const QVariant &text) {
    EditorVisit visit;
    ModalStep<ScriptEditor> step([&](ScriptEditor *editor) {
        visit.nameShown = editor->nameField()->text();
        visit.textShown = editor->textArea()->toPlainText();
        visit.openedName = editor->openedName();
        visit.nameFocused = editor->focusWidget() == editor->nameField();
        if (name.isValid())
            editor->nameField()->setText(name.toString());
        if (text.isValid())
            editor->textArea()->setPlainText(text.toString());
        QTest::mouseClick(editor->okButton(), Qt::LeftButton);
        visit.closedByOk = !editor->isVisible();
        visit.textAfterOk = editor->textArea()->toPlainText();
        if (editor->isVisible())
            QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);
    });
    open();
    visit.shown = step.ran();
    return visit;
}

} // namespace

class TestScriptsPage : public QObject {
    Q_OBJECT

private slots:
    void listShowsTheScriptsByNameWithButtonsForASelection() {
        Fixture f(
            {{QStringLiteral("beta"), "cmd:saveworld"}, {QStringLiteral("Alpha"), "cmd:doexit"}});
        writeBytes(f.dir.filePath(QStringLiteral("scripts/notes.txt")), "no script");
        QVERIFY(QDir().mkpath(f.dir.filePath(QStringLiteral("scripts/folder.kvs"))));
        f.page->refresh();

        QCOMPARE(f.listed(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("beta")}));
        QTreeWidget *list = f.page->list();
        QCOMPARE(list->columnCount(), 1);
        QCOMPARE(list->headerItem()->text(0), QStringLiteral("Script"));
        QCOMPARE(list->columnWidth(0), 230);
        QCOMPARE(list->header()->sectionResizeMode(0), QHeaderView::Fixed);
        QVERIFY(f.page->newButton()->isEnabled());
        QVERIFY(f.noButtonsForASelection());
        f.select(QStringLiteral("beta"));
        QVERIFY(f.buttonsForASelection());

        // Scripts added behind the console's back appear at the next opening of the dialog.
        writeBytes(f.path(QStringLiteral("gamma")), "msg:hi");
        f.page->refresh();
        QCOMPARE(f.listed().size(), 3);
        QVERIFY(f.noButtonsForASelection());
    }

    void newCopyTwiceEditRenameAndDelete() {
        Fixture f;
        // New.
        EditorVisit visit =
            typeAndPressOk([&] { f.page->newButton()->click(); }, QStringLiteral("Evening save"),
                           QStringLiteral("msg:Saving\nwait:15\ncmd:saveworld"));
        QVERIFY(visit.shown);
        QVERIFY(visit.closedByOk);
        QVERIFY(visit.nameShown.isEmpty());
        QVERIFY(visit.textShown.isEmpty());
        QVERIFY(visit.openedName.isEmpty());
        QVERIFY(visit.nameFocused);
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QCOMPARE(f.bytes(QStringLiteral("Evening save")),
                 QByteArray("msg:Saving\r\nwait:15\r\ncmd:saveworld"));
        QCOMPARE(f.listed(), QStringList{QStringLiteral("Evening save")});

        // Copy, twice.
        f.select(QStringLiteral("Evening save"));
        f.page->copyButton()->click();
        QVERIFY(f.noButtonsForASelection());
        f.select(QStringLiteral("Evening save"));
        f.page->copyButton()->click();
        QCOMPARE(f.listed(),
                 (QStringList{QStringLiteral("Evening save"), QStringLiteral("Evening save - copy"),
                              QStringLiteral("Evening save - copy - copy")}));
        QCOMPARE(f.bytes(QStringLiteral("Evening save - copy - copy")),
                 f.bytes(QStringLiteral("Evening save")));

        // Edit under a new name: a rename.
        f.select(QStringLiteral("Evening save - copy"));
        visit =
            typeAndPressOk([&] { f.page->editButton()->click(); }, QStringLiteral("Morning save"),
                           QStringLiteral("msg:Good morning\ncmd:saveworld\n"));
        QVERIFY(visit.shown);
        QVERIFY(visit.closedByOk);
        QCOMPARE(visit.nameShown, QStringLiteral("Evening save - copy"));
        QCOMPARE(visit.textShown, QStringLiteral("msg:Saving\nwait:15\ncmd:saveworld"));
        QCOMPARE(visit.openedName, QStringLiteral("Evening save - copy"));
        QVERIFY(!QFile::exists(f.path(QStringLiteral("Evening save - copy"))));
        QCOMPARE(f.bytes(QStringLiteral("Morning save")),
                 QByteArray("msg:Good morning\r\ncmd:saveworld\r\n"));
        QCOMPARE(f.listed(), (QStringList{QStringLiteral("Evening save"),
                                          QStringLiteral("Evening save - copy - copy"),
                                          QStringLiteral("Morning save")}));
        QVERIFY(f.editor()->openedName().isEmpty());

        // Edit under its own name, opened by a double-click: saved over without a question.
        f.page->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.page.get()));
        f.select(QStringLiteral("Morning save"));
        QTreeWidget *list = f.page->list();
        const QRect cell = list->visualItemRect(list->currentItem());
        visit = typeAndPressOk(
            [&] {
                // A double-click is a click, then the double-click event.
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cell.center());
            },
            QVariant(), QStringLiteral("cmd:saveworld"));
        QVERIFY(visit.shown);
        QVERIFY(visit.closedByOk);
        QCOMPARE(visit.nameShown, QStringLiteral("Morning save"));
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QCOMPARE(f.bytes(QStringLiteral("Morning save")), QByteArray("cmd:saveworld"));

        // Delete: No keeps it, Yes removes it.
        f.select(QStringLiteral("Evening save"));
        MessageBoxes::setNextAnswer(QMessageBox::No);
        f.page->deleteButton()->click();
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Delete script: `Evening save´?"));
        QVERIFY(QFile::exists(f.path(QStringLiteral("Evening save"))));
        QCOMPARE(f.listed().size(), 3);
        f.select(QStringLiteral("Evening save"));
        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        f.page->deleteButton()->click();
        QVERIFY(!QFile::exists(f.path(QStringLiteral("Evening save"))));
        QCOMPARE(f.listed(), (QStringList{QStringLiteral("Evening save - copy - copy"),
                                          QStringLiteral("Morning save")}));
    }

    void editorRefusesBadNamesAndKeepsTheText_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << "" << false;
        QTest::newRow("a blank first") << " Evening" << false;
        QTest::newRow("a slash") << "Evening/late" << false;
        QTest::newRow("a question mark") << "Evening?" << false;
        QTest::newRow("the test word in mixed case") << "my LechMichDochTestText" << false;
        QTest::newRow("a blank last") << "Evening " << true;
    }

    void editorRefusesBadNamesAndKeepsTheText() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        Fixture f;
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        const EditorVisit visit =
            typeAndPressOk([&] { f.page->newScript(); }, name, QStringLiteral("msg:kept"));
        QVERIFY(visit.shown);
        QCOMPARE(visit.closedByOk, valid);
        QCOMPARE(visit.textAfterOk, QStringLiteral("msg:kept"));
        if (valid) {
            QCOMPARE(f.bytes(name), QByteArray("msg:kept"));
        } else {
            QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Invalid scriptname!"));
            QVERIFY(f.listed().isEmpty());
        }
    }

    void editorAsksBeforeSavingOverAnotherScript() {
        Fixture f({{QStringLiteral("Alpha"), "msg:old"}, {QStringLiteral("beta"), "msg:beta"}});
        // A new script under a taken name.
        MessageBoxes::setNextAnswer(QMessageBox::No);
        EditorVisit visit = typeAndPressOk([&] { f.page->newScript(); }, QStringLiteral("Alpha"),
                                           QStringLiteral("msg:new"));
        QVERIFY(visit.shown);
        QVERIFY(!visit.closedByOk);
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Scriptname already exists, overwrite?"));
        QCOMPARE(f.bytes(QStringLiteral("Alpha")), QByteArray("msg:old"));
        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        visit = typeAndPressOk([&] { f.page->newScript(); }, QStringLiteral("Alpha"),
                               QStringLiteral("msg:new"));
        QVERIFY(visit.shown);
        QVERIFY(visit.closedByOk);
        QCOMPARE(f.bytes(QStringLiteral("Alpha")), QByteArray("msg:new"));

        // An edit renamed onto another script's name.
        f.select(QStringLiteral("beta"));
        MessageBoxes::setNextAnswer(QMessageBox::No);
        visit = typeAndPressOk([&] { f.page->editScript(); }, QStringLiteral("Alpha"), QVariant());
        QVERIFY(visit.shown);
        QVERIFY(!visit.closedByOk);
        QCOMPARE(f.bytes(QStringLiteral("beta")), QByteArray("msg:beta"));
        QCOMPARE(f.bytes(QStringLiteral("Alpha")), QByteArray("msg:new"));
    }

    void cancelledEditLeavesTheScriptToItself() {
        Fixture f({{QStringLiteral("Alpha"), "msg:alpha"}});
        f.select(QStringLiteral("Alpha"));
        {
            ModalStep<ScriptEditor> cancel([](ScriptEditor *editor) {
                editor->textArea()->setPlainText(QStringLiteral("changed"));
                QTest::mouseClick(editor->cancelButton(), Qt::LeftButton);
            });
            f.page->editScript();
            QVERIFY(cancel.ran());
        }
        QVERIFY(f.editor()->openedName().isEmpty());

        const EditorVisit visit = typeAndPressOk([&] { f.page->newScript(); },
                                                 QStringLiteral("Gamma"), QStringLiteral("msg:g"));
        QVERIFY(visit.shown);
        QVERIFY(visit.closedByOk);
        QCOMPARE(f.bytes(QStringLiteral("Alpha")), QByteArray("msg:alpha"));
        QCOMPARE(f.bytes(QStringLiteral("Gamma")), QByteArray("msg:g"));

        // The dialog's opening forgets a name the editor still holds.
        f.select(QStringLiteral("Alpha"));
        QString heldWhileOpen;
        QString heldAfterRefresh;
        ModalStep<ScriptEditor> refresh([&](ScriptEditor *editor) {
            heldWhileOpen = editor->openedName();
            f.page->refresh();
            heldAfterRefresh = editor->openedName();
            editor->reject();
        });
        f.page->editScript();
        QVERIFY(refresh.ran());
        QCOMPARE(heldWhileOpen, QStringLiteral("Alpha"));
        QVERIFY(heldAfterRefresh.isEmpty());
    }

    void editorShowsItsHelpAndLink() {
        Fixture f;
        ScriptEditor *editor = f.editor();
        QCOMPARE(editor->windowTitle(), QStringLiteral("Script editor"));
        QCOMPARE(
            editor->helpLabel()->text().split(QLatin1Char('\n')),
            (QStringList{QStringLiteral("Commands:   wait:<sec>    msg:<text>    "
                                        "cmd:<rconcommand>"),
                         QStringLiteral("Every line a command.   Example:"), QString(),
                         QStringLiteral("msg:Hello all, server will be saved now"),
                         QStringLiteral("wait:15"), QStringLiteral("cmd:saveworld"), QString()}));
        QCOMPARE(editor->textArea()->lineWrapMode(), QPlainTextEdit::NoWrap);
        QLabel *nameLabel = nullptr;
        for (QLabel *label : editor->findChildren<QLabel *>()) {
            if (label->buddy() == editor->nameField())
                nameLabel = label;
        }
        QVERIFY(nameLabel);
        QCOMPARE(nameLabel->text(), QStringLiteral("Scriptname:"));
        QCOMPARE(editor->linkLabel()->accessibleName(), QStringLiteral("Wiki_console_commands"));
        QVERIFY(editor->linkLabel()->text().contains(QLatin1String(">Wiki_console_commands</a>")));

        UrlOpener::setNextAnswer(true);
        emit editor->linkLabel()->linkActivated(
            ScriptEditor::consoleCommandsPage().toString(QUrl::FullyEncoded));
        QCOMPARE(UrlOpener::lastUrl(), ScriptEditor::consoleCommandsPage());
        QCOMPARE(UrlOpener::lastUrl().scheme(), QStringLiteral("https"));
    }

    // Under Xvfb with KVD_SCREENSHOT_DIR set: the editor with a script in it.
    void screenshot() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR is not set");
        Theme::apply(*qApp);
        Fixture f({{QStringLiteral("Evening restart"),
                    "msg:Server restarts in 5 minutes, find a safe place!\r\nwait:240\r\n"
                    "msg:Server restarts in 1 minute\r\nwait:50\r\ncmd:saveworld\r\nwait:10\r\n"
                    "cmd:doexit\r\n"}});
        f.select(QStringLiteral("Evening restart"));
        bool saved = false;
        ModalStep<ScriptEditor> grab([&](ScriptEditor *editor) {
            saved = QTest::qWaitForWindowExposed(editor) &&
                    editor->grab().save(QString::fromLocal8Bit(shots) +
                                        QStringLiteral("/script-editor.png"));
            editor->reject();
        });
        f.page->editScript();
        QVERIFY(grab.ran());
        QVERIFY(saved);
    }
};

QTEST_MAIN(TestScriptsPage)
#include "tst_scriptspage.moc"
