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
        <source>%1 (%2 not reached: disk or share gone)</source>
        <translation>%1 (%2 nicht erreicht: Karte oder Freigabe weg)</translation>
    </message>
    <message>
        <source>Show in History</source>
        <translation>Im Verlauf zeigen</translation>
    </message>
    <message>
        <source>The history of this batch could not be written in full (%1): Undo cannot take all of it back.</source>
        <translation>Der Verlauf dieses Stapels konnte nicht vollständig geschrieben werden (%1): Rückgängig kann ihn nicht ganz zurücknehmen.</translation>
    </message>
</context>
<context>
    <name>FileManager</name>
    <message>
        <source>The photo “%1” could not be copied to “%2”: there is no folder “%3”.</source>
        <translation>Das Foto „%1“ konnte nicht nach „%2“ kopiert werden: Es gibt keinen Ordner „%3“.</translation>
    </message>
    <message>
        <source>The photo “%1” could not be moved to “%2”: there is no folder “%3”.</source>
        <translation>Das Foto „%1“ konnte nicht nach „%2“ verschoben werden: Es gibt keinen Ordner „%3“.</translation>
    </message>
    <message>
        <source>The photo “%1” could not be copied to “%2”: %3.</source>
        <translation>Das Foto „%1“ konnte nicht nach „%2“ kopiert werden: %3.</translation>
    </message>
    <message>
        <source>The photo “%1” could not be moved to “%2”: %3.</source>
        <translation>Das Foto „%1“ konnte nicht nach „%2“ verschoben werden: %3.</translation>
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
        <source>&amp;Problems only</source>
        <translation>Nur &amp;Probleme</translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation>&amp;Ordner öffnen</translation>
    </message>
    <message>
        <source>&amp;Undo This Batch</source>
        <translation>Diesen Stapel &amp;rückgängig machen</translation>
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
        <source>New name</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>for example Rome_</source>
        <translation>zum Beispiel Rom_</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
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
        <source>Velmora &amp;Web Site</source>
        <translation>Velmora-&amp;Website</translation>
    </message>
    <message>
        <source>Stop after the photo in hand (Esc)</source>
        <translation>Nach dem Foto in Arbeit anhalten (Esc)</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>Anha&amp;lten</translation>
    </message>
    <message>
        <source>&amp;Put this text in front of the date:</source>
        <translation>Diesen Text &amp;vor das Datum setzen:</translation>
    </message>
    <message>
        <source>Keep the &amp;old name after the date (2010-07-14__18-05-09__IMG_0001.JPG)</source>
        <translation>&amp;Alten Namen hinter dem Datum behalten (2010-07-14__18-05-09__IMG_0001.JPG)</translation>
    </message>
    <message>
        <source>Keep the original photo and &amp;write a renamed copy beside it</source>
        <translation>&amp;Originalfoto behalten und eine umbenannte Kopie daneben anlegen</translation>
    </message>
    <message>
        <source>Shift the &amp;time by</source>
        <translation>&amp;Uhrzeit verschieben um</translation>
    </message>
    <message>
        <source>the date of &amp;digitizing: when it was scanned or stored as a file</source>
        <translation>dem Di&amp;gitalisierungsdatum: wann es gescannt oder als Datei gespeichert wurde</translation>
    </message>
    <message>
        <source>the date of &amp;capture: when the photo was taken</source>
        <translation>dem Auf&amp;nahmedatum: wann das Foto gemacht wurde</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>Open &amp;Folder...</source>
        <translation>&amp;Ordner öffnen...</translation>
    </message>
    <message>
        <source>Write to &amp;Support...</source>
        <translation>An den &amp;Support schreiben...</translation>
    </message>
    <message>
        <source>&amp;About Velmora</source>
        <translation>&amp;Über Velmora</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>Über &amp;Qt</translation>
    </message>
    <message>
        <source>Added to every photo&apos;s date, on top of the hour shift. Change it in Preferences.</source>
        <translation>Wird zum Datum jedes Fotos addiert, zusätzlich zur Stundenverschiebung. Ändern Sie sie in den Einstellungen.</translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>Velmora Preferences</source>
        <translation>Velmora-Einstellungen</translation>
    </message>
    <message>
        <source>Only while &quot;Shift the time by&quot; is on or the camera clock is corrected. Only the date that the photo is named after is changed in the photo; its picture and every other detail stay as they are.</source>
        <translation>Nur wenn „Uhrzeit verschieben um“ eingeschaltet ist oder die Kamerauhr korrigiert wird. Im Foto wird nur das Datum geändert, nach dem es benannt wird; das Bild und alle anderen Angaben bleiben, wie sie sind.</translation>
    </message>
    <message>
        <source>&amp;Shift every date of the photo and of its XMP sidecar</source>
        <translation>&amp;Jedes Datum des Fotos und seiner XMP-Begleitdatei verschieben</translation>
    </message>
    <message>
        <source>With the write-back above: DateTimeOriginal, DateTimeDigitized and DateTime each move by the same amount, each from its own time, and so do the dates of the photo&apos;s XMP sidecar. Undo puts them all back.</source>
        <translation>Mit dem Zurückschreiben oben: DateTimeOriginal, DateTimeDigitized und DateTime verschieben sich jeweils um denselben Betrag, jedes von seiner eigenen Uhrzeit aus, ebenso die Daten der XMP-Begleitdatei des Fotos. Rückgängig stellt sie alle wieder her.</translation>
    </message>
    <message>
        <source>&amp;Also write the shifted time into the photo&apos;s EXIF data</source>
        <translation>Die verschobene Uhrzeit &amp;auch in die EXIF-Daten des Fotos schreiben</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Keep sidecars and RAW+JPEG pairs together</source>
        <translation>Begleitdateien und RAW+JPEG-Paare &amp;zusammenhalten</translation>
    </message>
    <message>
        <source>Edits kept beside a photo (.xmp, .pp3, .dop) and a phone&apos;s live-photo video get the photo&apos;s new name, and the raw and JPEG of one shot keep one name and one number.</source>
        <translation>Bearbeitungen neben einem Foto (.xmp, .pp3, .dop) und das Live-Photo-Video eines Telefons erhalten den neuen Namen des Fotos, und Raw und JPEG einer Aufnahme behalten einen Namen und eine Nummer.</translation>
    </message>
    <message>
        <source>&amp;Rename videos (MP4, MOV, M4V, 3GP) by their recorded date</source>
        <translation>Videos (MP4, MOV, M4V, 3GP) nach ihrem Aufnahmedatum &amp;umbenennen</translation>
    </message>
    <message>
        <source>Named like photos, in the time of the place where they were recorded when the video tells it, else in this computer&apos;s time zone. Videos are never written into.</source>
        <translation>Benannt wie Fotos, in der Uhrzeit des Aufnahmeorts, wenn das Video sie angibt, sonst in der Zeitzone dieses Computers. In Videos wird nie geschrieben.</translation>
    </message>
    <message>
        <source>Pre&amp;view before renaming</source>
        <translation>&amp;Vorschau vor dem Umbenennen</translation>
    </message>
    <message>
        <source>Every batch first lists each file with its new name, and nothing changes until you choose Rename.</source>
        <translation>Jeder Stapel zeigt zuerst jede Datei mit ihrem neuen Namen, und nichts ändert sich, bis Sie „Umbenennen“ wählen.</translation>
    </message>
    <message>
        <source>&amp;Name a photo without the chosen date after the other one</source>
        <translation>Ein Foto ohne das gewählte Datum nach dem anderen &amp;benennen</translation>
    </message>
    <message>
        <source>Many phones and some older cameras record only one of the two dates. Such a photo is then named after the date it has, and the history says which one.</source>
        <translation>Viele Telefone und manche ältere Kameras speichern nur eines der beiden Daten. Ein solches Foto wird dann nach dem Datum benannt, das es hat, und der Verlauf sagt, nach welchem.</translation>
    </message>
    <message>
        <source>Camera clock correction, added to every photo&apos;s date:</source>
        <translation>Korrektur der Kamerauhr, zum Datum jedes Fotos addiert:</translation>
    </message>
    <message>
        <source> d</source>
        <translation> T</translation>
    </message>
    <message>
        <source> h</source>
        <translation> Std.</translation>
    </message>
    <message>
        <source> min</source>
        <translation> Min.</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Set from a &amp;photo…</source>
        <translation>Aus einem &amp;Foto bestimmen…</translation>
    </message>
    <message>
        <source>“+” when the camera&apos;s clock was behind, “−” when it was ahead. It comes on top of the hour shift, and is written into the photo with it. Set it back to zero for another camera.</source>
        <translation>„+“, wenn die Uhr der Kamera nachging, „−“, wenn sie vorging. Sie kommt zur Stundenverschiebung hinzu und wird mit ihr ins Foto geschrieben. Für eine andere Kamera wieder auf null stellen.</translation>
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
    <message>
        <source>#18</source>
        <translation>Seit der Vorschau geändert: unverändert gelassen.</translation>
    </message>
    <message>
        <source>#19</source>
        <translation>Eines oder mehrere Fotos haben nicht das zur Benennung gewählte Datum, nur das andere, und können daher nicht umbenannt werden. Um sie nach dem anderen Datum zu benennen, schalten Sie in den Einstellungen „Ein Foto ohne das gewählte Datum nach dem anderen benennen“ ein.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Renames photos after the moment they were taken.</source>
        <translation>Benennt Fotos nach dem Zeitpunkt ihrer Aufnahme um.</translation>
    </message>
    <message>
        <source>Photos or folders to rename at once.</source>
        <translation>Fotos oder Ordner, die sofort umbenannt werden.</translation>
    </message>
    <message>
        <source>paths</source>
        <translation>Pfade</translation>
    </message>
    <message>
        <source>[PATH...]</source>
        <translation>[PFAD...]</translation>
    </message>
    <message>
        <source>First show what would be renamed, and how; nothing changes until you choose Rename. Without it, PATHs are renamed at once unless the preference to preview is on.</source>
        <translation>Zuerst zeigen, was wie umbenannt würde; nichts ändert sich, bis Sie „Umbenennen“ wählen. Ohne diese Option werden die PFADE sofort umbenannt, außer die Einstellung „Vorschau vor dem Umbenennen“ ist eingeschaltet.</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Usage: %1</source>
        <translation>Aufruf: %1</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[Optionen]</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Optionen:</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>Argumente:</translation>
    </message>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Zeigt Hilfe zu den Kommandozeilenoptionen an.</translation>
    </message>
    <message>
        <source>Displays help including Qt specific options.</source>
        <translation>Zeigt Hilfe einschließlich Qt-spezifischer Optionen an.</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>Zeigt Versionsinformation an.</translation>
    </message>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Unbekannte Option &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Unbekannte Optionen: %1.</translation>
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
    <name>velmora::DragAndDropView</name>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>&amp;Don&apos;t show further errors of this batch</source>
        <translation>&amp;Weitere Fehler dieses Stapels nicht anzeigen</translation>
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
        <source>Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates; the copies it made are removed.</source>
        <translation>
            <numerusform>Den Stapel vom %1 rückgängig machen? Sein %n umbenanntes Foto erhält seinen alten Namen und sein altes Datum zurück; die angelegten Kopien werden entfernt.</numerusform>
            <numerusform>Den Stapel vom %1 rückgängig machen? Seine %n umbenannten Fotos erhalten ihre alten Namen und Daten zurück; die angelegten Kopien werden entfernt.</numerusform>
        </translation>
    </message>
    <message>
        <source>History incomplete</source>
        <translation>Verlauf unvollständig</translation>
    </message>
    <message>
        <source>Its history is incomplete: photos missing from it stay as they are.</source>
        <translation>Sein Verlauf ist unvollständig: Fotos, die darin fehlen, bleiben, wie sie sind.</translation>
    </message>
    <message>
        <source>The undo could not be recorded in the history: the disk may be full. Run it again when there is room; it takes back what is still left.</source>
        <translation>Das Rückgängigmachen konnte nicht im Verlauf festgehalten werden: Der Datenträger ist vielleicht voll. Führen Sie es erneut aus, sobald Platz ist; es nimmt zurück, was noch übrig ist.</translation>
    </message>
    <message>
        <source>Stopped: partly done</source>
        <translation>Angehalten: teilweise erledigt</translation>
    </message>
</context>
<context>
    <name>velmora::MainMenus</name>
    <message>
        <source>About Velmora</source>
        <translation>Über Velmora</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Velmora %1&lt;/h3&gt;&lt;p&gt;Renames photos after the moment they were taken.&lt;/p&gt;&lt;p&gt;Free software under the GNU General Public License, version 3 or later. It comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Velmora %1&lt;/h3&gt;&lt;p&gt;Benennt Fotos nach dem Zeitpunkt ihrer Aufnahme um.&lt;/p&gt;&lt;p&gt;Freie Software unter der GNU General Public License, Version 3 oder neuer. Ohne jede Gewährleistung.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&amp;Undo Last Batch</source>
        <translation>Letzten Stapel &amp;rückgängig machen</translation>
    </message>
    <message>
        <source>Wi&amp;ndow</source>
        <translation>F&amp;enster</translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation>&amp;Verlauf</translation>
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
    <message>
        <source>Open a folder</source>
        <translation>Einen Ordner öffnen</translation>
    </message>
</context>
<context>
    <name>velmora::PreviewDialog</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>&amp;Umbenennen</translation>
    </message>
    <message>
        <source>%1 files, %2 get a new name.</source>
        <translation>%1 Dateien, %2 erhalten einen neuen Namen.</translation>
    </message>
    <message>
        <source>Reading dates... %1 files so far</source>
        <translation>Daten werden gelesen... bisher %1 Dateien</translation>
    </message>
</context>
<context>
    <name>velmora::PreviewModel</name>
    <message>
        <source>Has its name already</source>
        <translation>Hat seinen Namen schon</translation>
    </message>
    <message>
        <source>Goes with %1</source>
        <translation>Folgt %1</translation>
    </message>
    <message>
        <source>Stays: no date</source>
        <translation>Bleibt: kein Datum</translation>
    </message>
    <message>
        <source>Stays: the new name is too long</source>
        <translation>Bleibt: der neue Name ist zu lang</translation>
    </message>
    <message>
        <source>Stays: its photo stays</source>
        <translation>Bleibt: sein Foto bleibt</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Neuer Name</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Feld</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Hinweis</translation>
    </message>
</context>
<context>
    <name>velmora::SupportLinks</name>
    <message>
        <source>Write to Support</source>
        <translation>An den Support schreiben</translation>
    </message>
    <message>
        <source>No mail program is set up. Please write to Velmora&apos;s support at

%1</source>
        <translation>Es ist kein E-Mail-Programm eingerichtet. Bitte schreiben Sie an den Support von Velmora:

%1</translation>
    </message>
    <message>
        <source>&amp;Copy Address</source>
        <translation>Adresse &amp;kopieren</translation>
    </message>
    <message>
        <source>Web Site</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>No web browser could be opened. Velmora&apos;s web site is at

%1</source>
        <translation>Es konnte kein Webbrowser geöffnet werden. Die Website von Velmora ist:

%1</translation>
    </message>
</context>
<context>
    <name>velmora::VelmoraAppDelegate</name>
    <message>
        <source>Each photo gets the moment it was taken as its name, for example %1, in its own folder.</source>
        <translation>Jedes Foto erhält den Zeitpunkt seiner Aufnahme als Namen, zum Beispiel %1, in seinem eigenen Ordner.</translation>
    </message>
    <message>
        <source>Keep the &amp;old name after the date (%1)</source>
        <translation>&amp;Alten Namen hinter dem Datum behalten (%1)</translation>
    </message>
    <message>
        <source>Text put before the date. It cannot hold “/” or control characters.</source>
        <translation>Text vor dem Datum. Er darf weder „/“ noch Steuerzeichen enthalten.</translation>
    </message>
    <message>
        <source>A prefix cannot hold “/” or control characters.</source>
        <translation>Ein Präfix darf weder „/“ noch Steuerzeichen enthalten.</translation>
    </message>
    <message>
        <source>Camera clock: %1</source>
        <translation>Kamerauhr: %1</translation>
    </message>
</context>
<context>
    <name>velmora::ClockDialog</name>
    <message>
        <source>Set the Camera Clock from a Photo</source>
        <translation>Kamerauhr aus einem Foto bestimmen</translation>
    </message>
    <message>
        <source>The camera dated “%1”:</source>
        <translation>Die Kamera datierte „%1“ auf:</translation>
    </message>
    <message>
        <source>It was really &amp;taken at:</source>
        <translation>Tatsächlich &amp;aufgenommen um:</translation>
    </message>
    <message>
        <source>Type the time with the hour shift (%1 h) in it, as the new names should show it.</source>
        <translation>Geben Sie die Zeit mit der Stundenverschiebung (%1 Std.) ein, wie die neuen Namen sie zeigen sollen.</translation>
    </message>
    <message>
        <source>Type the time as the new names should show it.</source>
        <translation>Geben Sie die Zeit ein, wie die neuen Namen sie zeigen sollen.</translation>
    </message>
    <message>
        <source>%1 d</source>
        <translation>%1 T</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 Std.</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 Min.</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
</context>
<context>
    <name>velmora::PreferencesDialog</name>
    <message>
        <source>Choose a Photo Taken by the Camera</source>
        <translation>Ein Foto der Kamera wählen</translation>
    </message>
    <message>
        <source>Velmora</source>
        <translation>Velmora</translation>
    </message>
    <message>
        <source>“%1” has no capture date to set the clock from.</source>
        <translation>„%1“ hat kein Aufnahmedatum, nach dem sich die Uhr bestimmen ließe.</translation>
    </message>
</context>
</TS>
