<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>DragAndDropView</name>
    <message>
        <source>%1 renamed, %2 without a date, %3 failed</source>
        <translation>%1 umbenannt, %2 ohne Datum, %3 fehlgeschlagen</translation>
    </message>
    <message>
        <source>Show in History</source>
        <translation>Im Verlauf zeigen</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Velmora History</source>
        <translation>Velmora-Verlauf</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Begonnen</translation>
    </message>
    <message>
        <source>Renamed</source>
        <translation>Umbenannt</translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation>Ohne Datum</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Zustand</translation>
    </message>
    <message>
        <source>Problems only</source>
        <translation>Nur Probleme</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ordner öffnen</translation>
    </message>
    <message>
        <source>Undo This Batch</source>
        <translation>Diesen Stapel rückgängig machen</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Drop photos or folders here to rename them after the moment they were taken.</source>
        <translation>Fotos oder Ordner hier ablegen, um sie nach dem Zeitpunkt ihrer Aufnahme umzubenennen.</translation>
    </message>
    <message>
        <source>Drop photos or folders here</source>
        <translation>Fotos oder Ordner hier ablegen</translation>
    </message>
    <message>
        <source>Each photo gets the moment it was taken as its name, for example 2010-07-14__18-05-09.JPG, in its own folder.</source>
        <translation>Jedes Foto erhält den Zeitpunkt seiner Aufnahme als Namen, zum Beispiel 2010-07-14__18-05-09.JPG, in seinem eigenen Ordner.</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>Put this text in front of the date:</source>
        <translation>Diesen Text vor das Datum setzen:</translation>
    </message>
    <message>
        <source>for example Rome_</source>
        <translation>zum Beispiel Rom_</translation>
    </message>
    <message>
        <source>Keep the old name after the date (2010-07-14__18-05-09__IMG_0001.JPG)</source>
        <translation>Alten Namen hinter dem Datum behalten (2010-07-14__18-05-09__IMG_0001.JPG)</translation>
    </message>
    <message>
        <source>Keep the original photo and write a renamed copy beside it</source>
        <translation>Originalfoto behalten und eine umbenannte Kopie daneben anlegen</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Shift the time by</source>
        <translation>Uhrzeit verschieben um</translation>
    </message>
    <message>
        <source>hours (a camera clock set to another time zone)</source>
        <translation>Stunden (Kamerauhr in einer anderen Zeitzone)</translation>
    </message>
    <message>
        <source>Name each photo after</source>
        <translation>Jedes Foto benennen nach</translation>
    </message>
    <message>
        <source>the date of capture: when the photo was taken</source>
        <translation>dem Aufnahmedatum: wann das Foto gemacht wurde</translation>
    </message>
    <message>
        <source>the date of digitizing: when it was scanned or stored as a file</source>
        <translation>dem Digitalisierungsdatum: wann es gescannt oder als Datei gespeichert wurde</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Open Photos or Folders...</source>
        <translation>Fotos oder Ordner ö&amp;ffnen...</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>&amp;Einstellungen...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Write to Support...</source>
        <translation>An den &amp;Support schreiben...</translation>
    </message>
    <message>
        <source>Velmora &amp;Web Site</source>
        <translation>Velmora-&amp;Website</translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>Velmora Preferences</source>
        <translation>Velmora-Einstellungen</translation>
    </message>
    <message>
        <source>Also write the shifted time into the photo&apos;s EXIF data</source>
        <translation>Die verschobene Uhrzeit auch in die EXIF-Daten des Fotos schreiben</translation>
    </message>
    <message>
        <source>Only while &quot;Shift the time by&quot; is on. Only the date that the photo is named after is changed in the photo; its picture and every other detail stay as they are.</source>
        <translation>Nur wenn „Uhrzeit verschieben um“ eingeschaltet ist. Im Foto wird nur das Datum geändert, nach dem es benannt wird; das Bild und alle anderen Angaben bleiben, wie sie sind.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>localizable</name>
    <message>
        <source>#1</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>#2</source>
        <translation>Wird bearbeitet...</translation>
    </message>
    <message>
        <source>#12</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>#14</source>
        <translation>Eine oder mehrere Dateien enthalten keine EXIF-Metadaten und können daher nicht umbenannt werden.</translation>
    </message>
    <message>
        <source>#15</source>
        <translatorcomment>Leave empty: the address of the web site is a build setting (VELMORA_WEB_SITE); a translation here would replace it.</translatorcomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>#17</source>
        <translation>Fehler beim Speichern des Bildes.</translation>
    </message>
</context>
<context>
    <name>velmora::BatchPhotoModel</name>
    <message>
        <source>another file now has the old name</source>
        <translation>eine andere Datei trägt jetzt den alten Namen</translation>
    </message>
    <message>
        <source>its original is gone, so the copy stays</source>
        <translation>das Original fehlt, daher bleibt die Kopie</translation>
    </message>
    <message>
        <source>the old date could not be written back</source>
        <translation>das alte Datum konnte nicht zurückgeschrieben werden</translation>
    </message>
    <message>
        <source>it could not be moved back</source>
        <translation>es konnte nicht zurückverschoben werden</translation>
    </message>
    <message>
        <source>it was changed, moved or removed since</source>
        <translation>es wurde seitdem geändert, verschoben oder entfernt</translation>
    </message>
    <message>
        <source>Kept its name</source>
        <translation>Name behalten</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Kopiert</translation>
    </message>
    <message>
        <source>Moved</source>
        <translation>Verschoben</translation>
    </message>
    <message>
        <source>, date %1 written (was %2)</source>
        <translation>, Datum %1 geschrieben (vorher %2)</translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation>Ohne Datum</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Nicht gefunden</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source> (undone)</source>
        <translation> (rückgängig gemacht)</translation>
    </message>
    <message>
        <source> (not undone: %1)</source>
        <translation> (nicht rückgängig gemacht: %1)</translation>
    </message>
    <message>
        <source>Old name</source>
        <translation>Alter Name</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>What happened</source>
        <translation>Was geschah</translation>
    </message>
</context>
<context>
    <name>velmora::HistoryWindow</name>
    <message>
        <source>Undone</source>
        <translation>Rückgängig gemacht</translation>
    </message>
    <message>
        <source>Partly undone</source>
        <translation>Teilweise rückgängig gemacht</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Läuft</translation>
    </message>
    <message>
        <source>Cut short</source>
        <translation>Abgebrochen</translation>
    </message>
    <message>
        <source>There is no batch to undo.</source>
        <translation>Es gibt keinen Stapel, der rückgängig gemacht werden kann.</translation>
    </message>
    <message numerus="yes">
        <source>Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates.</source>
        <translation>
            <numerusform>Den Stapel vom %1 rückgängig machen? Sein %n umbenanntes Foto erhält seinen alten Namen und sein altes Datum zurück.</numerusform>
            <numerusform>Den Stapel vom %1 rückgängig machen? Seine %n umbenannten Fotos erhalten ihre alten Namen und Daten zurück.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>velmora::OpenDialog</name>
    <message>
        <source>Open photos or folders</source>
        <translation>Fotos oder Ordner öffnen</translation>
    </message>
    <message>
        <source>Photos (%1)</source>
        <translation>Fotos (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Alle Dateien (*)</translation>
    </message>
</context>
<context>
    <name>velmora::VelmoraAppDelegate</name>
    <message>
        <source>Edit</source>
        <translation>Bearbeiten</translation>
    </message>
    <message>
        <source>Undo Last Batch</source>
        <translation>Letzten Stapel rückgängig machen</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Fenster</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
</context>
</TS>
