pragma ComponentBehavior: Bound
import QtQuick
import Optara.Ui
import Optara.ViewModel

// One ranked list as a card: a framed symbol and title, a heavy rule, then the
// first ten rows as labelled bars, or "No data available" when the list is empty.
Item {
    id: card

    property string title: ""
    // The ranked rows; only the first ten are drawn.
    property StatListModel items
    property string icon: ""
    // The label of photos that lack the value, marked for translation in this card's
    // context: only that label is shown in the user's language, the others verbatim.
    property string unknownLabel: ""

    readonly property int maximumRows: 10
    // The greatest count among the shown rows; the rows past them take no part.
    readonly property real scaleMaximum: shownRows.count > 0 ? shownRows.greatestCount : 1.0
    readonly property real innerWidth: width - 64
    // The end of each bar line kept for the 12 of spacing and the count: at least 60,
    // more when a shown count is wider, so every count ends inside the line while
    // the bars keep their proportions. Digits share one width, so the greatest
    // count is the widest.
    readonly property real countReserve:
        Math.max(60, 12 + Math.ceil(countMetrics.advanceWidth(countText(shownRows.greatestCount))))

    function countText(count) {
        return Number(count).toFixed(0)
    }

    // Bar width for a count over a bar line of width lineWidth; never below 4,
    // and 4 whenever the quotient is not a number.
    function barWidth(count, maximum, lineWidth) {
        const w = Number(count) / Number(maximum) * (lineWidth - countReserve)
        return isNaN(w) ? 4 : Math.max(w, 4)
    }

    ShownRows {
        id: shownRows
        list: card.items
        limit: card.maximumRows
    }

    FontMetrics {
        id: countMetrics
        font: Qt.font({ family: Theme.monospacedFamily, pixelSize: 20, bold: true })
    }

    Accessible.role: Accessible.List
    Accessible.name: title

    implicitWidth: 400
    implicitHeight: column.implicitHeight + 64

    HardShadowBox {
        anchors.fill: parent
        faceColor: Theme.neoCard
        shadowX: 8
        shadowY: 8
        strokeWidth: 4
        centredStroke: true
    }

    Column {
        id: column
        x: 32
        y: 32
        width: card.innerWidth
        spacing: 24

        Row {
            objectName: "header"
            spacing: 16

            HardShadowBox {
                objectName: "iconBox"
                width: 44
                height: 44
                anchors.verticalCenter: parent.verticalCenter
                faceColor: Theme.neoCard
                shadowX: 4
                shadowY: 4
                strokeWidth: 3

                SymbolIcon {
                    objectName: "cardSymbol"
                    anchors.centerIn: parent
                    width: Math.round(Theme.title3 * 1.3)
                    height: width
                    name: card.icon
                    color: Theme.neoAccent
                }
            }
            Text {
                objectName: "cardTitle"
                anchors.verticalCenter: parent.verticalCenter
                text: card.title
                textFormat: Text.PlainText
                font.family: Theme.serifFamily
                font.pixelSize: Theme.title
                font.bold: true
                font.letterSpacing: -0.5
                color: Theme.neoText
                width: Math.min(implicitWidth, Math.max(0, card.innerWidth - 60))
                wrapMode: Text.Wrap
            }
        }

        Rectangle {
            objectName: "rule"
            width: parent.width
            height: 3
            color: Theme.neoText
            antialiasing: false
        }

        Item {
            objectName: "emptyState"
            visible: shownRows.count === 0
            width: parent.width
            height: visible ? emptyText.implicitHeight + 120 : 0

            Text {
                id: emptyText
                objectName: "emptyText"
                y: 60
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                text: qsTr("No data available")
                font.family: Theme.monospacedFamily
                font.pixelSize: Theme.body
                font.bold: true
                font.capitalization: Font.AllUppercase
                color: Theme.neoText
                opacity: 0.6
            }
        }

        Item {
            objectName: "rowsArea"
            visible: shownRows.count > 0
            width: parent.width
            height: visible ? rows.implicitHeight + 8 : 0

            Column {
                id: rows
                y: 8
                width: parent.width
                spacing: 24

                Repeater {
                    model: shownRows

                    Column {
                        id: row
                        objectName: "statRow"
                        required property string label
                        required property real count
                        readonly property real barWidth: card.barWidth(count, card.scaleMaximum, width)
                        width: rows.width
                        spacing: 8
                        Accessible.role: Accessible.ListItem
                        // Read as said: "Canon EOS 20D, 3 photos".
                        Accessible.name: rowLabel.text + ", " + qsTr("%n photo(s)", "", count)

                        Text {
                            id: rowLabel
                            objectName: "rowLabel"
                            width: parent.width
                            text: row.label === card.unknownLabel ? qsTr(card.unknownLabel) : row.label
                            textFormat: Text.PlainText
                            font.family: Theme.defaultFamily
                            font.pixelSize: 16
                            font.bold: true
                            color: Theme.neoText
                            maximumLineCount: 1
                            elide: Text.ElideRight
                        }
                        Item {
                            objectName: "barLine"
                            width: parent.width
                            height: 24

                            Rectangle {
                                objectName: "bar"
                                width: row.barWidth
                                height: 24
                                color: Theme.neoAccent
                                antialiasing: false
                            }
                            Text {
                                id: rowCount
                                objectName: "rowCount"
                                x: row.barWidth + 12
                                anchors.verticalCenter: parent.verticalCenter
                                text: card.countText(row.count)
                                font: countMetrics.font
                                color: Theme.neoText
                            }
                        }
                    }
                }
            }
        }
    }
}
