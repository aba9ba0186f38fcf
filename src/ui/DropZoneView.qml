import QtQuick
import Optara.Ui
import Optara.ViewModel

// The screen shown before any photo is analysed: drop files or folders here,
// or pick them with "Browse Files". Hovering drags press the zone into its shadow.
Item {
    id: root

    // Takes the dropped or chosen locations; the zone never reads its state.
    required property AppViewModel viewModel
    readonly property alias isHovering: dropTarget.isHovering
    // Motion progress from idle (0) to hovering (1), for the zone and the tile.
    readonly property real zoneProgress: zoneSpring.value
    readonly property real tileProgress: tileSpring.value
    // The window's own, so that it outlives the zone; anything with open(window) and a closed()
    // signal. The window hands what it chose to the view model.
    property var picker
    // Whether keys opened the panel: the button then gets its focus frame back.
    property bool browsedByKeys: false

    Accessible.role: Accessible.Grouping
    Accessible.name: headline.text
    Accessible.description: subtitle.text

    function browse(byKeys) {
        root.browsedByKeys = byKeys
        picker.open(root.Window.window)
    }

    // Gives "Browse Files" the keys; its focus frame shows when keys moved them.
    function takeKeys(reason) {
        browseButton.forceActiveFocus(reason)
        // A window's return to active may have given it the focus already, under another reason.
        browseButton.focusReason = reason
    }

    function hand(urls) {
        if (urls.length > 0)
            root.viewModel.processURLs(urls)
    }

    Spring {
        id: zoneSpring
        response: Theme.zoneSpringResponse
        dampingFraction: Theme.zoneSpringDamping
        target: dropTarget.isHovering ? 1 : 0
        // At rest under the processing overlay, which would catch it mid-bounce.
        animated: root.enabled
    }
    Spring {
        id: tileSpring
        response: Theme.tileSpringResponse
        dampingFraction: Theme.tileSpringDamping
        target: dropTarget.isHovering ? 1 : 0
        // At rest under the processing overlay, which would catch it mid-bounce.
        animated: root.enabled
    }
    // Ctrl+O, only while the zone can take input (not under the processing overlay).
    // Spelled out, as StandardKey.Open is on Linux: qmllint in Qt 6.4 knows no StandardKey.
    Shortcut {
        sequence: "Ctrl+O"
        enabled: root.enabled && root.visible
        onActivated: root.browse(true)
    }
    Connections {
        target: root.picker
        ignoreUnknownSignals: true
        function onClosed() { root.takeKeys(root.browsedByKeys ? Qt.TabFocusReason : Qt.MouseFocusReason) }
    }

    HardShadowBox {
        id: zone
        objectName: "zone"
        width: root.width
        height: root.height
        faceColor: Theme.mix(Theme.neoCard, Theme.neoBackground, root.zoneProgress)
        shadowX: 12 * (1 - root.zoneProgress)
        shadowY: shadowX
        strokeWidth: 4
        centredStroke: true
        transform: Translate {
            x: 12 * root.zoneProgress
            y: 12 * root.zoneProgress
        }

        Column {
            id: stack
            anchors.centerIn: parent
            width: parent.width
            spacing: 40

            Item {
                id: tile
                objectName: "tile"
                width: 120
                height: 120
                anchors.horizontalCenter: parent.horizontalCenter

                HardShadowBox {
                    objectName: "tileSquare"
                    anchors.fill: parent
                    faceColor: Theme.mix(Theme.neoCard, Theme.neoBackground, root.tileProgress)
                    shadowX: 6 * (1 - root.tileProgress)
                    shadowY: shadowX
                    strokeWidth: 4
                    transform: Translate {
                        x: 6 * root.tileProgress
                        y: 6 * root.tileProgress
                    }
                }
                SymbolIcon {
                    objectName: "tileSymbol"
                    name: "photo.badge.plus"
                    color: Theme.mix(Theme.neoText, Theme.neoAccent, root.tileProgress)
                    width: 56
                    height: 48
                    anchors.centerIn: parent
                    transform: Translate {
                        x: 6 * root.tileProgress
                        y: 6 * root.tileProgress
                    }
                }
            }

            Column {
                spacing: 16
                width: parent.width

                Text {
                    id: headline
                    objectName: "headline"
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: qsTr("Drop Photos Here")
                    font.family: Theme.serifFamily
                    font.pixelSize: Theme.title
                    font.bold: true
                    color: Theme.neoText
                }
                Text {
                    id: subtitle
                    objectName: "subtitle"
                    anchors.horizontalCenter: parent.horizontalCenter
                    width: Math.min(implicitWidth, parent.width - 32)
                    text: qsTr("Supports JPEGs and folders containing JPEGs")
                    font.family: Theme.monospacedFamily
                    font.pixelSize: Theme.subheadline
                    font.bold: true
                    font.capitalization: Font.AllUppercase
                    color: Theme.neoText
                    opacity: 0.8
                    wrapMode: Text.WordWrap
                    horizontalAlignment: Text.AlignHCenter
                }
            }

            Item {
                width: browseButton.implicitWidth
                height: browseButton.implicitHeight + 10
                anchors.horizontalCenter: parent.horizontalCenter

                NeobrutalistButton {
                    id: browseButton
                    objectName: "browseButton"
                    y: 10
                    text: qsTr("Browse Files")
                    onClicked: root.browse(visualFocus)
                }
            }
        }
    }

    // On the zone's resting frame, so the pressed-in offset does not move the target.
    FileDropTarget {
        id: dropTarget
        objectName: "dropTarget"
        anchors.fill: parent
        onDropped: (urls) => root.hand(urls)
    }
}
