import QtQuick
import QtQuick.Window
import Optara.Ui
import Optara.ViewModel

// One window: frameless, with its own view model; WindowManager sets its size and place.
Window {
    id: window

    required property AppViewModel viewModel
    // Opens and closes windows: newWindow() and quit().
    required property var shell
    // The desktop's arrangement of the window's controls: names at the left and at the right.
    required property list<string> leftControls
    required property list<string> rightControls

    flags: Qt.Window | Qt.FramelessWindowHint
    color: Theme.neoBackground
    title: qsTr("Optara")

    WindowChrome {
        id: chrome
        anchors.fill: parent
        window: window
        leftControls: window.leftControls
        rightControls: window.rightControls

        ContentView {
            objectName: "contentView"
            anchors.fill: parent
            viewModel: window.viewModel
            controlsHeight: chrome.stripHeight
        }
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
