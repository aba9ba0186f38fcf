import QtQuick

// A flat face with a solid, unblurred shadow behind it and an outline on top.
// `centredStroke` puts half the outline outside the face, rounded to whole pixels,
// on which every renderer draws its edges alike; otherwise it lies inside.
Item {
    id: box

    property color faceColor: Theme.neoCard
    property color shadowColor: Theme.neoText
    property real shadowX: 0
    property real shadowY: 0
    property color strokeColor: Theme.neoText
    property real strokeWidth: 0
    property bool centredStroke: false
    default property alias content: face.data

    Rectangle {
        id: shadow
        objectName: "shadow"
        x: box.shadowX
        y: box.shadowY
        width: box.width
        height: box.height
        color: box.shadowColor
        antialiasing: false
        visible: box.shadowX !== 0 || box.shadowY !== 0
    }
    Rectangle {
        id: face
        objectName: "face"
        anchors.fill: parent
        color: box.faceColor
        antialiasing: false
    }
    Rectangle {
        objectName: "stroke"
        readonly property real outset: box.centredStroke ? Math.round(box.strokeWidth / 2) : 0
        x: -outset
        y: -outset
        width: box.width + 2 * outset
        height: box.height + 2 * outset
        color: "transparent"
        border.color: box.strokeColor
        border.width: box.strokeWidth
        antialiasing: false
        visible: box.strokeWidth > 0
    }
}
