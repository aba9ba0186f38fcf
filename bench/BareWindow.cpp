// The least Qt Quick window of the app's size, with Qt's defaults: what the
// startup bench holds the app's start-up against.
#include <QGuiApplication>
#include <QQmlApplicationEngine>

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    engine.loadData(R"(
import QtQuick
Window {
    width: 1200; height: 860; visible: true; color: "#F4F1EA"
    Rectangle {
        anchors.fill: parent; anchors.margins: 60; color: "white"; border.width: 4
        Text { anchors.centerIn: parent; text: "Drop photos here"; font.pixelSize: 28 }
    }
}
)");
    return engine.rootObjects().isEmpty() ? 1 : QGuiApplication::exec();
}
