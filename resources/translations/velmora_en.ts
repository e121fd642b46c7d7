<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>DragAndDropView</name>
    <message>
        <source>%1 renamed, %2 without a date, %3 failed</source>
        <translation>%1 renamed, %2 without a date, %3 failed</translation>
    </message>
    <message>
        <source>Show in History</source>
        <translation>Show in History</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Velmora History</source>
        <translation>Velmora History</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>Renamed</source>
        <translation>Renamed</translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation>Without a date</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>State</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Problems only</source>
        <translation>Problems only</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>Undo This Batch</source>
        <translation>Undo This Batch</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Drop photos or folders here to rename them after the moment they were taken.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Drop photos or folders here</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each photo gets the moment it was taken as its name, for example 2010-07-14__18-05-09.JPG, in its own folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New name</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>Put this text in front of the date:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>for example Rome_</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the old name after the date (2010-07-14__18-05-09__IMG_0001.JPG)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the original photo and write a renamed copy beside it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shift the time by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>hours (a camera clock set to another time zone)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name each photo after</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the date of capture: when the photo was taken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the date of digitizing: when it was scanned or stored as a file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open Photos or Folders...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Write to Support...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Velmora &amp;Web Site</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>Velmora Preferences</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also write the shifted time into the photo&apos;s EXIF data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only while &quot;Shift the time by&quot; is on. Only the date that the photo is named after is changed in the photo; its picture and every other detail stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>localizable</name>
    <message>
        <source>#1</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>#2</source>
        <translation>Working...</translation>
    </message>
    <message>
        <source>#12</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>#14</source>
        <translation>One or more files do not contain EXIF metadata information and therefore they cannot be renamed.</translation>
    </message>
    <message>
        <source>#15</source>
        <translatorcomment>Leave empty: the address of the web site is a build setting (VELMORA_WEB_SITE); a translation here would replace it.</translatorcomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>#17</source>
        <translation>Error during image save.</translation>
    </message>
</context>
<context>
    <name>velmora::BatchPhotoModel</name>
    <message>
        <source>another file now has the old name</source>
        <translation>another file now has the old name</translation>
    </message>
    <message>
        <source>its original is gone, so the copy stays</source>
        <translation>its original is gone, so the copy stays</translation>
    </message>
    <message>
        <source>the old date could not be written back</source>
        <translation>the old date could not be written back</translation>
    </message>
    <message>
        <source>it could not be moved back</source>
        <translation>it could not be moved back</translation>
    </message>
    <message>
        <source>it was changed, moved or removed since</source>
        <translation>it was changed, moved or removed since</translation>
    </message>
    <message>
        <source>Kept its name</source>
        <translation>Kept its name</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copied</translation>
    </message>
    <message>
        <source>Moved</source>
        <translation>Moved</translation>
    </message>
    <message>
        <source>, date %1 written (was %2)</source>
        <translation>, date %1 written (was %2)</translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation>Without a date</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source> (undone)</source>
        <translation> (undone)</translation>
    </message>
    <message>
        <source> (not undone: %1)</source>
        <translation> (not undone: %1)</translation>
    </message>
    <message>
        <source>Old name</source>
        <translation>Old name</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>New name</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>What happened</source>
        <translation>What happened</translation>
    </message>
</context>
<context>
    <name>velmora::HistoryWindow</name>
    <message>
        <source>Undone</source>
        <translation>Undone</translation>
    </message>
    <message>
        <source>Partly undone</source>
        <translation>Partly undone</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>Running</translation>
    </message>
    <message>
        <source>Cut short</source>
        <translation>Cut short</translation>
    </message>
    <message>
        <source>There is no batch to undo.</source>
        <translation>There is no batch to undo.</translation>
    </message>
    <message numerus="yes">
        <source>Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates.</source>
        <translation>
            <numerusform>Undo the batch of %1? Its %n renamed photo goes back to its old name and date.</numerusform>
            <numerusform>Undo the batch of %1? Its %n renamed photos go back to their old names and dates.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>velmora::OpenDialog</name>
    <message>
        <source>Open photos or folders</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Photos (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::VelmoraAppDelegate</name>
    <message>
        <source>Edit</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Undo Last Batch</source>
        <translation>Undo Last Batch</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>History</source>
        <translation>History</translation>
    </message>
</context>
</TS>
