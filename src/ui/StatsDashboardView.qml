import QtQuick
import QtQuick.Controls.Basic as Controls
import Optara.Ui
import Optara.ViewModel

// The screen shown once photos have been analysed: the photo count, the title,
// Restart, and four cards in two columns, all scrolling over a fixed background.
Item {
    id: root

    required property AppViewModel viewModel
    // A strip along the top that content never scrolls into: the window's own
    // controls sit there. The header keeps its 32 from the top edge.
    property real topInset: 0
    readonly property int photoCount: viewModel.processedImageCount
    // The window's browse panel, as the drop zone has it: more photos join those shown.
    property var picker
    readonly property real contentWidth: scroll.availableWidth

    // Emitted as Restart empties the view model, with the way Restart had the keys:
    // the drop zone that comes back gives them to its own button the same way.
    signal restarting(int reason)

    // Scrolling keys reach the view itself, without a click first.
    focus: true
    Keys.onPressed: (event) => { event.accepted = root.scrollFor(event) }
    // A click on the page takes the keys back from a button.
    TapHandler {
        onTapped: root.forceActiveFocus(Qt.MouseFocusReason)
    }

    // Ctrl+O, as on the drop zone; the keys come back to the page as the panel closes.
    Shortcut {
        sequence: "Ctrl+O"
        enabled: root.enabled && root.visible && root.picker !== undefined
        onActivated: root.picker.open(root.Window.window)
    }
    Connections {
        target: root.picker
        ignoreUnknownSignals: true
        function onClosed() { root.forceActiveFocus(Qt.OtherFocusReason) }
    }

    // A page, or to either end; Space comes here only when no button has the focus.
    function scrollFor(event) {
        const flick = scroll.contentItem
        const page = scroll.availableHeight
        const back = (event.modifiers & Qt.ShiftModifier) !== 0
        const targets = {
            [Qt.Key_PageDown]: flick.contentY + page,
            [Qt.Key_PageUp]: flick.contentY - page,
            [Qt.Key_Space]: flick.contentY + (back ? -page : page),
            [Qt.Key_Home]: 0,
            [Qt.Key_End]: flick.contentHeight,
        }
        if (!(event.key in targets))
            return false
        flick.contentY = Math.max(0, Math.min(targets[event.key], flick.contentHeight - flick.height))
        return true
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.neoBackground
    }

    Controls.ScrollView {
        id: scroll
        objectName: "scroll"
        anchors.fill: parent
        anchors.topMargin: root.topInset
        contentWidth: availableWidth
        contentHeight: content.height
        Accessible.role: Accessible.Pane
        Accessible.name: qsTr("Statistics")
        // Shown only when there is something to scroll, as a desktop scroll bar is.
        Controls.ScrollBar.vertical: AccessibleScrollBar {
            parent: scroll
            x: scroll.width - width
            y: scroll.topPadding
            height: scroll.availableHeight
            policy: scroll.contentHeight > scroll.availableHeight ? Controls.ScrollBar.AlwaysOn
                                                                  : Controls.ScrollBar.AlwaysOff
            name: scroll.Accessible.name
        }
        Controls.ScrollBar.horizontal: AccessibleScrollBar {
            parent: scroll
            policy: Controls.ScrollBar.AlwaysOff
        }

        Column {
            id: content
            objectName: "content"
            width: root.contentWidth
            height: implicitHeight + 60
            spacing: 40

            Item {
                id: header
                objectName: "headerRow"
                readonly property real shareWidth: (width - 64 - 2 * 8) / 3
                // 32 from the window's top, but room above Restart for its focus frame,
                // which the scroll area would clip.
                readonly property real topPadding: Math.max(32 - root.topInset, restartButton.focusMargin)
                // The line the three children are centred on, below the top padding.
                readonly property real middle: topPadding + (height - topPadding) / 2
                width: parent.width
                height: topPadding + Math.max(countLine.height, titleText.implicitHeight, restartButton.implicitHeight)

                Item {
                    id: countLine
                    objectName: "countLine"
                    x: 32
                    y: header.middle - height / 2
                    width: header.shareWidth
                    height: countText.implicitHeight
                    Accessible.role: Accessible.StaticText
                    Accessible.name: countText.text + " " + caption.text

                    Text {
                        id: countText
                        objectName: "photoCount"
                        text: root.photoCount.toFixed(0)
                        Accessible.ignored: true
                        font.family: Theme.monospacedFamily
                        font.pixelSize: Theme.title
                        font.weight: Font.Black
                        color: Theme.neoText
                    }
                    Text {
                        id: caption
                        objectName: "photosAnalyzed"
                        Accessible.ignored: true
                        x: countText.width + 6
                        anchors.baseline: countText.baseline
                        width: Math.max(0, countLine.width - x)
                        elide: Text.ElideRight
                        text: qsTr("Photos Analyzed", "", root.photoCount)
                        font.family: Theme.defaultFamily
                        font.pixelSize: Theme.title3
                        font.weight: Font.Medium
                        font.capitalization: Font.AllUppercase
                        color: Theme.neoText
                        opacity: 0.8
                    }
                }
                Text {
                    id: titleText
                    objectName: "appTitle"
                    x: 32 + header.shareWidth + 8 + (header.shareWidth - width) / 2
                    y: header.middle - height / 2
                    text: qsTr("Optara")
                    font.family: Theme.serifFamily
                    font.pixelSize: Theme.largeTitle
                    font.weight: Font.Black
                    font.letterSpacing: -1
                    color: Theme.neoText
                }
                NeobrutalistButton {
                    id: restartButton
                    objectName: "restartButton"
                    x: header.width - 32 - width
                    y: header.middle - height / 2
                    symbol: "arrow.counterclockwise"
                    text: qsTr("Restart")
                    onClicked: {
                        root.restarting(activeFocus ? focusReason : Qt.OtherFocusReason)
                        root.viewModel.clearData()
                    }
                }
            }

            Rectangle {
                objectName: "dashboardRule"
                x: 32
                width: parent.width - 64
                height: 3
                color: Theme.neoText
                antialiasing: false
            }

            Grid {
                id: grid
                objectName: "cardGrid"
                readonly property real cardWidth: Math.max(10, (width - 48) / 2)
                x: 32
                width: parent.width - 64
                columns: 2
                columnSpacing: 48
                rowSpacing: 48
                verticalItemAlignment: Grid.AlignTop

                StatCard {
                    objectName: "camerasCard"
                    width: grid.cardWidth
                    title: qsTr("Cameras")
                    unknownLabel: QT_TRANSLATE_NOOP("StatCard", "Unknown Camera")
                    items: root.viewModel.topCameras
                    icon: "camera.fill"
                }
                StatCard {
                    objectName: "lensesCard"
                    width: grid.cardWidth
                    title: qsTr("Lenses")
                    unknownLabel: QT_TRANSLATE_NOOP("StatCard", "Unknown Lens")
                    items: root.viewModel.topLenses
                    icon: "camera.aperture"
                }
                StatCard {
                    objectName: "focalLengthsCard"
                    width: grid.cardWidth
                    title: qsTr("Focal Lengths")
                    unknownLabel: QT_TRANSLATE_NOOP("StatCard", "Unknown")
                    items: root.viewModel.topFocalLengths
                    icon: "scope"
                }
                StatCard {
                    objectName: "aperturesCard"
                    width: grid.cardWidth
                    title: qsTr("Apertures")
                    unknownLabel: QT_TRANSLATE_NOOP("StatCard", "Unknown")
                    items: root.viewModel.topApertures
                    icon: "f.cursive.circle"
                }
            }

            Text {
                objectName: "credit"
                width: parent.width
                topPadding: 40
                bottomPadding: 20
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("optara.app")
                font.family: Theme.monospacedFamily
                font.pixelSize: Theme.headline
                font.bold: true
                color: Theme.neoText
                opacity: 0.8
            }
        }
    }

    // Photos dropped here join those shown; an accent outline marks the page while a drag
    // that carries them hovers.
    FileDropTarget {
        id: dropTarget
        objectName: "dashboardDropTarget"
        anchors.fill: parent
        onDropped: (urls) => root.viewModel.processURLs(urls)
    }
    Rectangle {
        objectName: "dropOutline"
        visible: dropTarget.isHovering
        anchors.fill: parent
        anchors.topMargin: root.topInset
        color: "transparent"
        border.color: Theme.neoAccent
        border.width: 4
        antialiasing: false
    }
}
