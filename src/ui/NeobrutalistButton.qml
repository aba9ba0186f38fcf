import QtQuick
import Optara.Ui
import QtQuick.Templates as T

// The flat, outlined button that casts a hard shadow and sinks into it while pressed.
T.AbstractButton {
    id: control

    // Name of a symbol drawn before the text; empty for a text-only label.
    property string symbol: ""
    readonly property real pressOffset: down ? 4 : 0
    // How far the focus frame reaches past the button on each side.
    readonly property int focusMargin: 8

    leftPadding: 24
    rightPadding: 24
    topPadding: 12
    bottomPadding: 12
    // Whole pixels, on which every renderer draws the edges alike.
    implicitWidth: Math.ceil(implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.ceil(implicitContentHeight + topPadding + bottomPadding)
    focusPolicy: Qt.StrongFocus

    Accessible.role: Accessible.Button
    Accessible.name: text
    // Under the processing overlay a button is disabled: assistive technology then
    // neither finds nor presses it.
    Accessible.ignored: !enabled
    // Assistive technology's Press, which the Button role already lists: a handler
    // of Accessible.pressAction would list it a second time.
    function accessiblePressAction() {
        if (enabled)
            clicked()
    }
    // Space presses it as every button does; Return and Enter as well.
    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    // Tab with no other stop in the window leaves the focus here, and shows it.
    Keys.onTabPressed: (event) => control.showFocusOnLoneStop(event, true)
    Keys.onBacktabPressed: (event) => control.showFocusOnLoneStop(event, false)

    function showFocusOnLoneStop(event, forward) {
        if (nextItemInFocusChain(forward) === control)
            focusReason = forward ? Qt.TabFocusReason : Qt.BacktabFocusReason
        event.accepted = false
    }

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
            width: visible ? Math.round(control.font.pixelSize * 1.2) : 0
            height: width
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            objectName: "buttonLabel"
            text: control.text
            font: control.font
            color: Theme.neoText
            verticalAlignment: Text.AlignVCenter
        }
    }

    // Shown for keyboard focus only: a hard accent frame around the button and its shadow.
    Rectangle {
        objectName: "focusFrame"
        visible: control.visualFocus
        x: -control.focusMargin
        y: -control.focusMargin
        width: control.width + 2 * control.focusMargin
        height: control.height + 2 * control.focusMargin
        color: "transparent"
        border.color: Theme.neoAccent
        border.width: 3
        antialiasing: false
    }
}
