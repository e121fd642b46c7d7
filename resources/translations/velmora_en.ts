<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
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
        <translation type="unfinished"></translation>
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
    <message>
        <source>&amp;Keep sidecars and RAW+JPEG pairs together</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Edits kept beside a photo (.xmp, .pp3, .dop) and a phone&apos;s live-photo video get the photo&apos;s new name, and the raw and JPEG of one shot keep one name and one number.</source>
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
</TS>
