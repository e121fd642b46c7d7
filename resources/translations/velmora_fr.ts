<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>DragAndDropView</name>
    <message>
        <source>%1 renamed, %2 without a date, %3 failed</source>
        <translation>%1 renommées, %2 sans date, %3 en échec</translation>
    </message>
    <message>
        <source>Show in History</source>
        <translation>Voir dans l&apos;historique</translation>
    </message>
</context>
<context>
    <name>HistoryWindow</name>
    <message>
        <source>Velmora History</source>
        <translation>Historique de Velmora</translation>
    </message>
    <message>
        <source>Started</source>
        <translation>Début</translation>
    </message>
    <message>
        <source>Renamed</source>
        <translation>Renommées</translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation>Sans date</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>En échec</translation>
    </message>
    <message>
        <source>State</source>
        <translation>État</translation>
    </message>
    <message>
        <source>Problems only</source>
        <translation>Problèmes seulement</translation>
    </message>
    <message>
        <source>Open Folder</source>
        <translation>Ouvrir le dossier</translation>
    </message>
    <message>
        <source>Undo This Batch</source>
        <translation>Annuler ce lot</translation>
    </message>
</context>
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
        <translation>Placer ce texte devant la date&#xa0;:</translation>
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
        <translation>la date de prise de vue&#xa0;: quand la photo a été prise</translation>
    </message>
    <message>
        <source>the date of digitizing: when it was scanned or stored as a file</source>
        <translation>la date de numérisation&#xa0;: quand elle a été numérisée ou enregistrée en fichier</translation>
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
        <translation>Seulement quand «&#xa0;Décaler l&apos;heure de&#xa0;» est coché. Dans la photo, seule la date d&apos;après laquelle elle est nommée change&#xa0;; l&apos;image et tous les autres détails restent tels quels.</translation>
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
    <name>velmora::BatchPhotoModel</name>
    <message>
        <source>another file now has the old name</source>
        <translation>un autre fichier porte maintenant l&apos;ancien nom</translation>
    </message>
    <message>
        <source>its original is gone, so the copy stays</source>
        <translation>l&apos;original a disparu, la copie reste donc</translation>
    </message>
    <message>
        <source>the old date could not be written back</source>
        <translation>l&apos;ancienne date n&apos;a pas pu être réécrite</translation>
    </message>
    <message>
        <source>it could not be moved back</source>
        <translation>elle n&apos;a pas pu être remise en place</translation>
    </message>
    <message>
        <source>it was changed, moved or removed since</source>
        <translation>elle a été modifiée, déplacée ou supprimée depuis</translation>
    </message>
    <message>
        <source>Kept its name</source>
        <translation>Nom conservé</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Copiée</translation>
    </message>
    <message>
        <source>Moved</source>
        <translation>Déplacée</translation>
    </message>
    <message>
        <source>, date %1 written (was %2)</source>
        <translation>, date %1 écrite (avant %2)</translation>
    </message>
    <message>
        <source>Without a date</source>
        <translation>Sans date</translation>
    </message>
    <message>
        <source>Not found</source>
        <translation>Introuvable</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>En échec</translation>
    </message>
    <message>
        <source> (undone)</source>
        <translation> (annulé)</translation>
    </message>
    <message>
        <source> (not undone: %1)</source>
        <translation> (non annulé : %1)</translation>
    </message>
    <message>
        <source>Old name</source>
        <translation>Ancien nom</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Nouveau nom</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Dossier</translation>
    </message>
    <message>
        <source>What happened</source>
        <translation>Ce qui s&apos;est passé</translation>
    </message>
</context>
<context>
    <name>velmora::HistoryWindow</name>
    <message>
        <source>Undone</source>
        <translation>Annulé</translation>
    </message>
    <message>
        <source>Partly undone</source>
        <translation>Annulé en partie</translation>
    </message>
    <message>
        <source>Running</source>
        <translation>En cours</translation>
    </message>
    <message>
        <source>Cut short</source>
        <translation>Interrompu</translation>
    </message>
    <message>
        <source>There is no batch to undo.</source>
        <translation>Il n&apos;y a aucun lot à annuler.</translation>
    </message>
    <message numerus="yes">
        <source>Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates.</source>
        <translation>
            <numerusform>Annuler le lot du %1 ? Sa %n photo renommée reprend son ancien nom et sa date.</numerusform>
            <numerusform>Annuler le lot du %1 ? Ses %n photos renommées reprennent leurs anciens noms et dates.</numerusform>
        </translation>
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
<context>
    <name>velmora::VelmoraAppDelegate</name>
    <message>
        <source>Edit</source>
        <translation>Édition</translation>
    </message>
    <message>
        <source>Undo Last Batch</source>
        <translation>Annuler le dernier lot</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Fenêtre</translation>
    </message>
    <message>
        <source>History</source>
        <translation>Historique</translation>
    </message>
</context>
</TS>
