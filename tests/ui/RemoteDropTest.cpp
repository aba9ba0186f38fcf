#include "AppViewModel.h"
#include "MixedSelectionDialog.h"
#include "VirtualFileSystem.h"
#include "WindowDriver.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

using namespace optara;

// Remote locations read through gvfs, started by remote_drop_check.sh in a
// private session: REMOTE_URL names a folder, SERVED_DIR is where its server
// reads from, and REMOTE_SERVED says whether a gvfs mount serves the URL.
class RemoteDropTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        url_ = QUrl(qEnvironmentVariable("REMOTE_URL"));
        if (!url_.isValid() || url_.isLocalFile())
            QSKIP("REMOTE_URL names no remote folder; remote_drop_check.sh sets it");
        served_ = qEnvironmentVariable("REMOTE_SERVED") == QLatin1String("1");
        if (served_)
            tree_ = driver::writePhotoTree(qEnvironmentVariable("SERVED_DIR").toStdString());
    }

    // Served, a remote folder resolves to the mount's path and its photos read; typed into the browse
    // dialog's name field, its folder opens there. Unserved, it is passed over.
    void remoteFolderIsResolvedReadAndTyped()
    {
        QCOMPARE(VirtualFileSystem::canRead(url_), served_);
        QList<QUrl> files{QUrl("unset:")};
        VirtualFileSystem::resolve({QUrl("https://e.com/x.jpg"), url_}, this,
                                   [&files](QList<QUrl> result) { files = std::move(result); });
        QTRY_VERIFY_WITH_TIMEOUT(files != QList<QUrl>{QUrl("unset:")}, 10000);
        QCOMPARE(files.size(), served_ ? 1 : 0);
        if (!served_)
            return;
        const QString mount = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/gvfs/";
        QVERIFY2(files[0].toLocalFile().startsWith(mount), qPrintable(files[0].toString()));

        AppViewModel model;
        QSignalSpy processing(&model, &AppViewModel::isProcessingChanged);
        model.processURLs(files);
        QTRY_COMPARE_WITH_TIMEOUT(processing.size(), 2, 10000); // on, then off
        QCOMPARE(model.processedImageCount(), tree_.photoCount);

        MixedSelectionDialog dialog;
        dialog.show();
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setText(url_.toString());
        QTest::keyClick(name, Qt::Key_Return);
        QTRY_COMPARE(dialog.directory().absolutePath(), files[0].toLocalFile());
        QVERIFY(dialog.isVisible() && name->text().isEmpty());
        // "Look in" shows it as typed, not as the mount's path.
        QCOMPARE(dialog.findChild<QComboBox*>(QStringLiteral("lookInCombo"))->currentText(), url_.toString());
    }

  private:
    QUrl url_;
    bool served_ = false;
    driver::PhotoTree tree_;
};

QTEST_MAIN(RemoteDropTest)

#include "RemoteDropTest.moc"
