import QtQuick
import Optara.Ui

// Dims the window and shows the progress card. Opaque to input: it takes every
// pointer event and drag, so nothing beneath reacts while photos are read.
Item {
    id: overlay
    objectName: "processingOverlay"

    Accessible.role: Accessible.ProgressBar
    Accessible.name: progressText.text

    Rectangle {
        objectName: "backdrop"
        anchors.fill: parent
        color: Theme.neoText
        opacity: 0.8
    }

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        hoverEnabled: true
        preventStealing: true
        onWheel: (wheel) => wheel.accepted = true
    }

    // Takes drags of any kind and lets the drops fall here.
    DropArea {
        objectName: "dropBlocker"
        anchors.fill: parent
    }

    HardShadowBox {
        id: card
        objectName: "progressCard"
        anchors.centerIn: parent
        width: stack.implicitWidth + 80
        height: stack.implicitHeight + 80
        faceColor: Theme.neoCard
        shadowX: 8
        shadowY: 8
        strokeWidth: 4

        Column {
            id: stack
            anchors.centerIn: parent
            spacing: 24

            ProgressSpinner {
                anchors.horizontalCenter: parent.horizontalCenter
                drawnScale: 1.5
                color: Theme.neoAccent
            }
            Text {
                id: progressText
                objectName: "progressText"
                anchors.horizontalCenter: parent.horizontalCenter
                text: qsTr("Processing photos...")
                font.family: Theme.monospacedFamily
                font.pixelSize: Theme.title3
                font.bold: true
                font.capitalization: Font.AllUppercase
                color: Theme.neoText
            }
        }
    }
}
