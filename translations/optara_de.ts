<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AppWindow</name>
    <message>
        <source>Optara</source>
        <translation>Optara</translation>
    </message>
</context>
<context>
    <name>DropZoneView</name>
    <message>
        <source>Drop Photos Here</source>
        <translation>Fotos hier ablegen</translation>
    </message>
    <message>
        <source>Supports JPEGs and folders containing JPEGs</source>
        <translation>Unterstützt JPEGs und Ordner mit JPEGs</translation>
    </message>
    <message>
        <source>Browse Files</source>
        <translation>Dateien auswählen</translation>
    </message>
</context>
<context>
    <name>optara::MixedSelectionDialog</name>
    <message>
        <source>Show Hidden Files</source>
        <translation>Versteckte Dateien anzeigen</translation>
    </message>
</context>
<context>
    <name>optara::MountedVolumes</name>
    <message>
        <source>%1 on %2</source>
        <translation>%1 auf %2</translation>
    </message>
</context>
<context>
    <name>optara::UserPlaces</name>
    <message>
        <source>Home</source>
        <translation>Persönlicher Ordner</translation>
    </message>
</context>
<context>
    <name>optara::PhotoPicker</name>
    <message>
        <source>JPEG images (*.jpg *.jpeg)</source>
        <translation>JPEG-Bilder (*.jpg *.jpeg)</translation>
    </message>
    <message>
        <source>Browse Files — Optara</source>
        <translation>Dateien auswählen — Optara</translation>
    </message>
</context>
<context>
    <name>ProcessingOverlay</name>
    <message>
        <source>Processing photos...</source>
        <translation>Fotos werden verarbeitet...</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) found</source>
        <translation>
            <numerusform>%n Datei gefunden</numerusform>
            <numerusform>%n Dateien gefunden</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n file(s) read</source>
        <translation>
            <numerusform>%1 von %n Datei gelesen</numerusform>
            <numerusform>%1 von %n Dateien gelesen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatCard</name>
    <message>
        <source>No data available</source>
        <translation>Keine Daten vorhanden</translation>
    </message>
    <message>
        <source>Unknown Camera</source>
        <translation>Unbekannte Kamera</translation>
    </message>
    <message>
        <source>Unknown Lens</source>
        <translation>Unbekanntes Objektiv</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message numerus="yes">
        <source>%n photo(s)</source>
        <translation>
            <numerusform>%n Foto</numerusform>
            <numerusform>%n Fotos</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatsDashboardView</name>
    <message numerus="yes">
        <source>Photos Analyzed</source>
        <translation>
            <numerusform>Foto analysiert</numerusform>
            <numerusform>Fotos analysiert</numerusform>
        </translation>
    </message>
    <message>
        <source>Optara</source>
        <translation>Optara</translation>
    </message>
    <message>
        <source>Restart</source>
        <translation>Neu starten</translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation>Kameras</translation>
    </message>
    <message>
        <source>Lenses</source>
        <translation>Objektive</translation>
    </message>
    <message>
        <source>Focal Lengths</source>
        <translation>Brennweiten</translation>
    </message>
    <message>
        <source>Apertures</source>
        <translation>Blenden</translation>
    </message>
    <message>
        <source>optara.app</source>
        <translation>optara.app</translation>
    </message>
    <message>
        <source>Statistics</source>
        <translation>Statistik</translation>
    </message>
</context>
<context>
    <name>WindowChrome</name>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimieren</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>Wiederherstellen</translation>
    </message>
    <message>
        <source>Maximize</source>
        <translation>Maximieren</translation>
    </message>
</context>
</TS>
