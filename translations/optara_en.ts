<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>ProcessingOverlay</name>
    <message numerus="yes">
        <source>%n file(s) found</source>
        <translation>
            <numerusform>%n file found</numerusform>
            <numerusform>%n files found</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n file(s) read</source>
        <translation>
            <numerusform>%1 of %n file read</numerusform>
            <numerusform>%1 of %n files read</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatCard</name>
    <message numerus="yes">
        <source>%n photo(s)</source>
        <translation>
            <numerusform>%n photo</numerusform>
            <numerusform>%n photos</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>StatsDashboardView</name>
    <message numerus="yes">
        <source>Photos Analyzed</source>
        <translation>
            <numerusform>Photo Analyzed</numerusform>
            <numerusform>Photos Analyzed</numerusform>
        </translation>
    </message>
</context>
</TS>
