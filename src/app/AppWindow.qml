import QtQuick
import QtQuick.Window
import Optara.Ui

// One window: frameless, at least 800 by 600, its own view model.
Window {
    id: window

    required property var viewModel
    // Opens and closes windows: newWindow() and quit().
    required property var shell

    flags: Qt.Window | Qt.FramelessWindowHint
    minimumWidth: 800
    minimumHeight: 600
    width: 1200
    height: 860
    color: Theme.neoBackground
    title: qsTr("Optara")

    ContentView {
        objectName: "contentView"
        anchors.fill: parent
        viewModel: window.viewModel
    }

    WindowChrome {
        anchors.fill: parent
        window: window
    }

    Shortcut {
        sequence: "Ctrl+N"
        onActivated: window.shell.newWindow()
    }
    Shortcut {
        sequence: "Ctrl+W"
        onActivated: window.close()
    }
    Shortcut {
        sequence: "Ctrl+Q"
        onActivated: window.shell.quit()
    }
}
