<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>MainWindow</name>
    <message>
        <source>Drop photos or folders here to rename them after the moment they were taken.</source>
        <translation>Déposez ici des photos ou des dossiers pour les renommer d&apos;après le moment de la prise de vue.</translation>
    </message>
    <message>
        <source>Drop photos or folders here</source>
        <translation>Déposez ici des photos ou des dossiers</translation>
    </message>
    <message>
        <source>Each photo gets the moment it was taken as its name, for example 2010-07-14__18-05-09.JPG, in its own folder.</source>
        <translation>Chaque photo prend pour nom le moment où elle a été prise, par exemple 2010-07-14__18-05-09.JPG, dans son propre dossier.</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Nouveau nom</translation>
    </message>
    <message>
        <source>Put this text in front of the date:</source>
        <translation>Placer ce texte devant la date :</translation>
    </message>
    <message>
        <source>for example Rome_</source>
        <translation>par exemple Rome_</translation>
    </message>
    <message>
        <source>Keep the old name after the date (2010-07-14__18-05-09__IMG_0001.JPG)</source>
        <translation>Garder l&apos;ancien nom après la date (2010-07-14__18-05-09__IMG_0001.JPG)</translation>
    </message>
    <message>
        <source>Keep the original photo and write a renamed copy beside it</source>
        <translation>Garder la photo originale et écrire à côté une copie renommée</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Date et heure</translation>
    </message>
    <message>
        <source>Shift the time by</source>
        <translation>Décaler l&apos;heure de</translation>
    </message>
    <message>
        <source>hours (a camera clock set to another time zone)</source>
        <translation>heures (horloge de l&apos;appareil sur un autre fuseau horaire)</translation>
    </message>
    <message>
        <source>Name each photo after</source>
        <translation>Nommer chaque photo d&apos;après</translation>
    </message>
    <message>
        <source>the date of capture: when the photo was taken</source>
        <translation>la date de prise de vue : quand la photo a été prise</translation>
    </message>
    <message>
        <source>the date of digitizing: when it was scanned or stored as a file</source>
        <translation>la date de numérisation : quand elle a été numérisée ou enregistrée en fichier</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>&amp;Open Photos or Folders...</source>
        <translation>&amp;Ouvrir des photos ou des dossiers...</translation>
    </message>
    <message>
        <source>&amp;Preferences...</source>
        <translation>&amp;Préférences...</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message>
        <source>&amp;Write to Support...</source>
        <translation>&amp;Écrire au support...</translation>
    </message>
    <message>
        <source>Velmora &amp;Web Site</source>
        <translation>&amp;Site web de Velmora</translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>Velmora Preferences</source>
        <translation>Préférences de Velmora</translation>
    </message>
    <message>
        <source>Also write the shifted time into the photo&apos;s EXIF data</source>
        <translation>Écrire aussi l&apos;heure décalée dans les données EXIF de la photo</translation>
    </message>
    <message>
        <source>Only while &quot;Shift the time by&quot; is on. Only the date that the photo is named after is changed in the photo; its picture and every other detail stay as they are.</source>
        <translation>Seulement quand « Décaler l&apos;heure de » est coché. Dans la photo, seule la date d&apos;après laquelle elle est nommée change ; l&apos;image et tous les autres détails restent tels quels.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;Keep sidecars and RAW+JPEG pairs together</source>
        <translation>&amp;Garder ensemble les fichiers annexes et les paires RAW+JPEG</translation>
    </message>
    <message>
        <source>Edits kept beside a photo (.xmp, .pp3, .dop) and a phone&apos;s live-photo video get the photo&apos;s new name, and the raw and JPEG of one shot keep one name and one number.</source>
        <translation>Les retouches enregistrées à côté d&apos;une photo (.xmp, .pp3, .dop) et la vidéo Live Photo d&apos;un téléphone prennent le nouveau nom de la photo, et le RAW et le JPEG d&apos;une même prise gardent un seul nom et un seul numéro.</translation>
    </message>
</context>
<context>
    <name>localizable</name>
    <message>
        <source>#1</source>
        <translation>Terminé</translation>
    </message>
    <message>
        <source>#2</source>
        <translation>En cours...</translation>
    </message>
    <message>
        <source>#12</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>#14</source>
        <translation>Un ou plusieurs fichiers ne contiennent pas de métadonnées EXIF et ne peuvent donc pas être renommés.</translation>
    </message>
    <message>
        <source>#15</source>
        <translatorcomment>Leave empty: the address of the web site is a build setting (VELMORA_WEB_SITE); a translation here would replace it.</translatorcomment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>#17</source>
        <translation>Erreur lors de l&apos;enregistrement de l&apos;image.</translation>
    </message>
</context>
<context>
    <name>velmora::OpenDialog</name>
    <message>
        <source>Open photos or folders</source>
        <translation>Ouvrir des photos ou des dossiers</translation>
    </message>
    <message>
        <source>Photos (%1)</source>
        <translation>Photos (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Tous les fichiers (*)</translation>
    </message>
</context>
</TS>
