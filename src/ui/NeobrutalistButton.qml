import QtQuick
import Optara.Ui
import QtQuick.Templates as T

// The flat, outlined button that casts a hard shadow and sinks into it while pressed.
T.AbstractButton {
    id: control

    // Name of a symbol drawn before the text; empty for a text-only label.
    property string symbol: ""
    readonly property real pressOffset: down ? 4 : 0

    leftPadding: 24
    rightPadding: 24
    topPadding: 12
    bottomPadding: 12
    implicitWidth: implicitContentWidth + leftPadding + rightPadding
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    focusPolicy: Qt.StrongFocus

    font.family: Theme.monospacedFamily
    font.pixelSize: Theme.subheadline
    font.bold: true
    font.capitalization: Font.AllUppercase
    font.letterSpacing: 1.5

    background: HardShadowBox {
        objectName: "buttonFace"
        implicitWidth: control.implicitWidth
        implicitHeight: control.implicitHeight
        faceColor: Theme.neoCard
        shadowX: control.down ? 0 : 4
        shadowY: control.down ? 0 : 4
        strokeWidth: 3
        centredStroke: true
        transform: Translate { x: control.pressOffset; y: control.pressOffset }
    }

    contentItem: Row {
        spacing: 8
        transform: Translate { x: control.pressOffset; y: control.pressOffset }

        SymbolIcon {
            objectName: "buttonSymbol"
            visible: control.symbol !== ""
            name: control.symbol
            color: Theme.neoText
            width: visible ? label.font.pixelSize * 1.2 : 0
            height: label.implicitHeight
        }
        Text {
            id: label
            objectName: "buttonLabel"
            text: control.text
            font: control.font
            color: Theme.neoText
            verticalAlignment: Text.AlignVCenter
        }
    }
}
