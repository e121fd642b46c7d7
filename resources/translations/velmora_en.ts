<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>DragAndDropView</name>
    <message>
        <source>%1 renamed, %2 without a date, %3 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2 not reached: disk or share gone)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Show in History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The history of this batch could not be written in full (%1): Undo cannot take all of it back.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileManager</name>
    <message>
        <source>The photo “%1” could not be copied to “%2”: there is no folder “%3”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The photo “%1” could not be moved to “%2”: there is no folder “%3”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The photo “%1” could not be copied to “%2”: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The photo “%1” could not be moved to “%2”: %3.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Velmora History</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Renamed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Problems only</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo This Batch</source>
        <translation type="unfinished"></translation>
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
        <source>New name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>for example Rome_</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date and time</source>
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
        <source>Velmora &amp;Web Site</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop after the photo in hand (Esc)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Put this text in front of the date:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the &amp;old name after the date (2010-07-14__18-05-09__IMG_0001.JPG)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the original photo and &amp;write a renamed copy beside it</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Shift the &amp;time by</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the date of &amp;digitizing: when it was scanned or stored as a file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the date of &amp;capture: when the photo was taken</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open &amp;Folder...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write to &amp;Support...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About Velmora</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Added to every photo&apos;s date, on top of the hour shift. Change it in Preferences.</source>
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
        <source>Only while &quot;Shift the time by&quot; is on or the camera clock is corrected. Only the date that the photo is named after is changed in the photo; its picture and every other detail stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Shift every date of the photo and of its XMP sidecar</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>With the write-back above: DateTimeOriginal, DateTimeDigitized and DateTime each move by the same amount, each from its own time, and so do the dates of the photo&apos;s XMP sidecar. Undo puts them all back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Also write the shifted time into the photo&apos;s EXIF data</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Keep sidecars and RAW+JPEG pairs together</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edits kept beside a photo (.xmp, .pp3, .dop) and a phone&apos;s live-photo video get the photo&apos;s new name, and the raw and JPEG of one shot keep one name and one number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Rename videos (MP4, MOV, M4V, 3GP) by their recorded date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Named like photos, in the time of the place where they were recorded when the video tells it, else in this computer&apos;s time zone. Videos are never written into.</source>
    </message>
    <message>
        <source>Pre&amp;view before renaming</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Every batch first lists each file with its new name, and nothing changes until you choose Rename.</source>
    </message>
    <message>
        <source>&amp;Name a photo without the chosen date after the other one</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Many phones and some older cameras record only one of the two dates. Such a photo is then named after the date it has, and the history says which one.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Camera clock correction, added to every photo&apos;s date:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> d</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> h</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set from a &amp;photo…</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“+” when the camera&apos;s clock was behind, “−” when it was ahead. It comes on top of the hour shift, and is written into the photo with it. Set it back to zero for another camera.</source>
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
    <message>
        <source>#18</source>
        <translation>Changed since the preview: left as it was.</translation>
    </message>
    <message>
        <source>#19</source>
        <translation>One or more photos do not have the date chosen to name them, only the other one, and therefore they cannot be renamed. To name them after the other date, turn on “Name a photo without the chosen date after the other one” in Preferences.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Renames photos after the moment they were taken.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Photos or folders to rename at once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>paths</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>[PATH...]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>First show what would be renamed, and how; nothing changes until you choose Rename. Without it, PATHs are renamed at once unless the preference to preview is on.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::BatchPhotoModel</name>
    <message>
        <source>another file now has the old name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its original is gone, so the copy stays</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the old date could not be written back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it could not be moved back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it was changed, moved or removed since</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Kept its name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copied</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Moved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>, date %1 written (was %2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (undone)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> (not undone: %1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Old name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What happened</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::DragAndDropView</name>
    <message>
        <source>Stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Don&apos;t show further errors of this batch</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::HistoryWindow</name>
    <message>
        <source>Undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Partly undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Running</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cut short</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no batch to undo.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates; the copies it made are removed.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>History incomplete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Its history is incomplete: photos missing from it stay as they are.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The undo could not be recorded in the history: the disk may be full. Run it again when there is room; it takes back what is still left.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stopped: partly done</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::MainMenus</name>
    <message>
        <source>About Velmora</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&lt;h3&gt;Velmora %1&lt;/h3&gt;&lt;p&gt;Renames photos after the moment they were taken.&lt;/p&gt;&lt;p&gt;Free software under the GNU General Public License, version 3 or later. It comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Undo Last Batch</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wi&amp;ndow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation type="unfinished"></translation>
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
    <message>
        <source>Open a folder</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::PreviewDialog</name>
    <message>
        <source>Preview</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 files, %2 get a new name.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading dates... %1 files so far</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::PreviewModel</name>
    <message>
        <source>Has its name already</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Goes with %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stays: no date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stays: the new name is too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stays: its photo stays</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Note</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::SupportLinks</name>
    <message>
        <source>Write to Support</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No mail program is set up. Please write to Velmora&apos;s support at

%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Copy Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web Site</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No web browser could be opened. Velmora&apos;s web site is at

%1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::VelmoraAppDelegate</name>
    <message>
        <source>Each photo gets the moment it was taken as its name, for example %1, in its own folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Keep the &amp;old name after the date (%1)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text put before the date. It cannot hold “/” or control characters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A prefix cannot hold “/” or control characters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Camera clock: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::ClockDialog</name>
    <message>
        <source>Set the Camera Clock from a Photo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The camera dated “%1”:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was really &amp;taken at:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type the time with the hour shift (%1 h) in it, as the new names should show it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type the time as the new names should show it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 d</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>velmora::PreferencesDialog</name>
    <message>
        <source>Choose a Photo Taken by the Camera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Velmora</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1” has no capture date to set the clock from.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
