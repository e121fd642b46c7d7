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
        <source>%1 (%2 not reached: disk or share gone)</source>
        <translation>%1 (%2 non atteintes : carte ou partage disparu)</translation>
    </message>
    <message>
        <source>Show in History</source>
        <translation>Voir dans l&apos;historique</translation>
    </message>
    <message>
        <source>The history of this batch could not be written in full (%1): Undo cannot take all of it back.</source>
        <translation>L&apos;historique de ce lot n&apos;a pas pu être écrit en entier (%1) : l&apos;annulation ne peut pas tout reprendre.</translation>
    </message>
</context>
<context>
    <name>FileManager</name>
    <message>
        <source>The photo “%1” could not be copied to “%2”: there is no folder “%3”.</source>
        <translation>La photo « %1 » n&apos;a pas pu être copiée vers « %2 » : il n&apos;y a pas de dossier « %3 ».</translation>
    </message>
    <message>
        <source>The photo “%1” could not be moved to “%2”: there is no folder “%3”.</source>
        <translation>La photo « %1 » n&apos;a pas pu être déplacée vers « %2 » : il n&apos;y a pas de dossier « %3 ».</translation>
    </message>
    <message>
        <source>The photo “%1” could not be copied to “%2”: %3.</source>
        <translation>La photo « %1 » n&apos;a pas pu être copiée vers « %2 » : %3.</translation>
    </message>
    <message>
        <source>The photo “%1” could not be moved to “%2”: %3.</source>
        <translation>La photo « %1 » n&apos;a pas pu être déplacée vers « %2 » : %3.</translation>
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
        <source>&amp;Problems only</source>
        <translation>&amp;Problèmes seulement</translation>
    </message>
    <message>
        <source>&amp;Open Folder</source>
        <translation>&amp;Ouvrir le dossier</translation>
    </message>
    <message>
        <source>&amp;Undo This Batch</source>
        <translation>&amp;Annuler ce lot</translation>
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
        <source>New name</source>
        <translation>Nouveau nom</translation>
    </message>
    <message>
        <source>for example Rome_</source>
        <translation>par exemple Rome_</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Date et heure</translation>
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
        <source>Velmora &amp;Web Site</source>
        <translation>&amp;Site web de Velmora</translation>
    </message>
    <message>
        <source>Stop after the photo in hand (Esc)</source>
        <translation>Arrêter après la photo en cours (Échap)</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>A&amp;rrêter</translation>
    </message>
    <message>
        <source>&amp;Put this text in front of the date:</source>
        <translation>&amp;Placer ce texte devant la date&#xa0;:</translation>
    </message>
    <message>
        <source>Keep the &amp;old name after the date (2010-07-14__18-05-09__IMG_0001.JPG)</source>
        <translation>&amp;Garder l&apos;ancien nom après la date (2010-07-14__18-05-09__IMG_0001.JPG)</translation>
    </message>
    <message>
        <source>Keep the original photo and &amp;write a renamed copy beside it</source>
        <translation>Garder la photo &amp;originale et écrire à côté une copie renommée</translation>
    </message>
    <message>
        <source>Shift the &amp;time by</source>
        <translation>Décaler l&apos;&amp;heure de</translation>
    </message>
    <message>
        <source>the date of &amp;digitizing: when it was scanned or stored as a file</source>
        <translation>la date de &amp;numérisation&#xa0;: quand elle a été numérisée ou enregistrée en fichier</translation>
    </message>
    <message>
        <source>the date of &amp;capture: when the photo was taken</source>
        <translation>la date de prise de &amp;vue&#xa0;: quand la photo a été prise</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>É&amp;dition</translation>
    </message>
    <message>
        <source>Open &amp;Folder...</source>
        <translation>Ouvrir un &amp;dossier...</translation>
    </message>
    <message>
        <source>Write to &amp;Support...</source>
        <translation>&amp;Écrire au support...</translation>
    </message>
    <message>
        <source>&amp;About Velmora</source>
        <translation>À &amp;propos de Velmora</translation>
    </message>
    <message>
        <source>About &amp;Qt</source>
        <translation>À propos de &amp;Qt</translation>
    </message>
    <message>
        <source>Added to every photo&apos;s date, on top of the hour shift. Change it in Preferences.</source>
        <translation>Ajoutée à la date de chaque photo, en plus du décalage horaire. Modifiable dans les Préférences.</translation>
    </message>
</context>
<context>
    <name>Preferences</name>
    <message>
        <source>Velmora Preferences</source>
        <translation>Préférences de Velmora</translation>
    </message>
    <message>
        <source>Only while &quot;Shift the time by&quot; is on or the camera clock is corrected. Only the date that the photo is named after is changed in the photo; its picture and every other detail stay as they are.</source>
        <translation>Seulement quand « Décaler l&apos;heure de » est coché ou que l&apos;horloge de l&apos;appareil est corrigée. Dans la photo, seule la date d&apos;après laquelle elle est nommée change ; l&apos;image et tous les autres détails restent tels quels.</translation>
    </message>
    <message>
        <source>&amp;Shift every date of the photo and of its XMP sidecar</source>
        <translation>&amp;Décaler toutes les dates de la photo et de son fichier XMP</translation>
    </message>
    <message>
        <source>With the write-back above: DateTimeOriginal, DateTimeDigitized and DateTime each move by the same amount, each from its own time, and so do the dates of the photo&apos;s XMP sidecar. Undo puts them all back.</source>
        <translation>Avec l&apos;écriture dans la photo ci-dessus : DateTimeOriginal, DateTimeDigitized et DateTime sont décalées d&apos;autant, chacune depuis sa propre heure, de même que les dates du fichier annexe XMP de la photo. Annuler les remet toutes.</translation>
    </message>
    <message>
        <source>&amp;Also write the shifted time into the photo&apos;s EXIF data</source>
        <translation>Écrire &amp;aussi l&apos;heure décalée dans les données EXIF de la photo</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Keep sidecars and RAW+JPEG pairs together</source>
        <translation>&amp;Garder ensemble les fichiers annexes et les paires RAW+JPEG</translation>
    </message>
    <message>
        <source>Edits kept beside a photo (.xmp, .pp3, .dop) and a phone&apos;s live-photo video get the photo&apos;s new name, and the raw and JPEG of one shot keep one name and one number.</source>
        <translation>Les retouches enregistrées à côté d&apos;une photo (.xmp, .pp3, .dop) et la vidéo Live Photo d&apos;un téléphone prennent le nouveau nom de la photo, et le RAW et le JPEG d&apos;une même prise gardent un seul nom et un seul numéro.</translation>
    </message>
    <message>
        <source>&amp;Rename videos (MP4, MOV, M4V, 3GP) by their recorded date</source>
        <translation>&amp;Renommer les vidéos (MP4, MOV, M4V, 3GP) d&apos;après leur date d&apos;enregistrement</translation>
    </message>
    <message>
        <source>Named like photos, in the time of the place where they were recorded when the video tells it, else in this computer&apos;s time zone. Videos are never written into.</source>
        <translation>Nommées comme les photos, à l&apos;heure du lieu de l&apos;enregistrement quand la vidéo l&apos;indique, sinon dans le fuseau horaire de cet ordinateur. Rien n&apos;est jamais écrit dans une vidéo.</translation>
    </message>
    <message>
        <source>Pre&amp;view before renaming</source>
        <translation>Aperçu a&amp;vant de renommer</translation>
    </message>
    <message>
        <source>Every batch first lists each file with its new name, and nothing changes until you choose Rename.</source>
        <translation>Chaque lot liste d&apos;abord chaque fichier avec son nouveau nom, et rien ne change avant que vous choisissiez Renommer.</translation>
    </message>
    <message>
        <source>&amp;Name a photo without the chosen date after the other one</source>
        <translation>&amp;Nommer une photo sans la date choisie d&apos;après l&apos;autre</translation>
    </message>
    <message>
        <source>Many phones and some older cameras record only one of the two dates. Such a photo is then named after the date it has, and the history says which one.</source>
        <translation>Beaucoup de téléphones et certains appareils anciens n&apos;enregistrent qu&apos;une des deux dates. Une telle photo est alors nommée d&apos;après la date qu&apos;elle a, et l&apos;historique dit laquelle.</translation>
    </message>
    <message>
        <source>Camera clock correction, added to every photo&apos;s date:</source>
        <translation>Correction de l&apos;horloge de l&apos;appareil, ajoutée à la date de chaque photo :</translation>
    </message>
    <message>
        <source> d</source>
        <translation> j</translation>
    </message>
    <message>
        <source> h</source>
        <translation> h</translation>
    </message>
    <message>
        <source> min</source>
        <translation> min</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>Set from a &amp;photo…</source>
        <translation>Régler d&apos;après une &amp;photo…</translation>
    </message>
    <message>
        <source>“+” when the camera&apos;s clock was behind, “−” when it was ahead. It comes on top of the hour shift, and is written into the photo with it. Set it back to zero for another camera.</source>
        <translation>« + » si l&apos;horloge de l&apos;appareil retardait, « − » si elle avançait. Elle s&apos;ajoute au décalage horaire et est écrite dans la photo avec lui. Remettez-la à zéro pour un autre appareil.</translation>
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
    <message>
        <source>#18</source>
        <translation>Modifié depuis l&apos;aperçu : laissé tel quel.</translation>
    </message>
    <message>
        <source>#19</source>
        <translation>Une ou plusieurs photos n&apos;ont pas la date choisie pour les nommer, seulement l&apos;autre, et ne peuvent donc pas être renommées. Pour les nommer d&apos;après l&apos;autre date, cochez « Nommer une photo sans la date choisie d&apos;après l&apos;autre » dans les Préférences.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Renames photos after the moment they were taken.</source>
        <translation>Renomme les photos d&apos;après le moment de la prise de vue.</translation>
    </message>
    <message>
        <source>Photos or folders to rename at once.</source>
        <translation>Photos ou dossiers à renommer tout de suite.</translation>
    </message>
    <message>
        <source>paths</source>
        <translation>chemins</translation>
    </message>
    <message>
        <source>[PATH...]</source>
        <translation>[CHEMIN...]</translation>
    </message>
    <message>
        <source>First show what would be renamed, and how; nothing changes until you choose Rename. Without it, PATHs are renamed at once unless the preference to preview is on.</source>
        <translation>Montrer d&apos;abord ce qui serait renommé, et comment ; rien ne change avant que vous choisissiez Renommer. Sans elle, les CHEMINS sont renommés aussitôt, sauf si la préférence « Aperçu avant de renommer » est cochée.</translation>
    </message>
</context>
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Usage: %1</source>
        <translation>Utilisation : %1</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[options]</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Options :</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>Arguments :</translation>
    </message>
    <message>
        <source>Displays help on commandline options.</source>
        <translation>Afficher l&apos;aide sur les options de la ligne de commande.</translation>
    </message>
    <message>
        <source>Displays help including Qt specific options.</source>
        <translation>Afficher l&apos;aide, options propres à Qt comprises.</translation>
    </message>
    <message>
        <source>Displays version information.</source>
        <translation>Afficher les informations de version.</translation>
    </message>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Option inconnue &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Options inconnues : %1.</translation>
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
    <name>velmora::DragAndDropView</name>
    <message>
        <source>Stopped</source>
        <translation>Arrêté</translation>
    </message>
    <message>
        <source>&amp;Don&apos;t show further errors of this batch</source>
        <translation>&amp;Ne plus afficher les erreurs de ce lot</translation>
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
        <source>Undo the batch of %1? Its %n renamed photo(s) go back to their old names and dates; the copies it made are removed.</source>
        <translation>
            <numerusform>Annuler le lot du %1 ? Sa %n photo renommée reprend son ancien nom et sa date ; les copies créées sont supprimées.</numerusform>
            <numerusform>Annuler le lot du %1 ? Ses %n photos renommées reprennent leurs anciens noms et dates ; les copies créées sont supprimées.</numerusform>
        </translation>
    </message>
    <message>
        <source>History incomplete</source>
        <translation>Historique incomplet</translation>
    </message>
    <message>
        <source>Its history is incomplete: photos missing from it stay as they are.</source>
        <translation>Son historique est incomplet : les photos qui n&apos;y figurent pas restent telles quelles.</translation>
    </message>
    <message>
        <source>The undo could not be recorded in the history: the disk may be full. Run it again when there is room; it takes back what is still left.</source>
        <translation>L&apos;annulation n&apos;a pas pu être enregistrée dans l&apos;historique : le disque est peut-être plein. Relancez-la quand il y aura de la place ; elle reprend ce qui reste.</translation>
    </message>
    <message>
        <source>Stopped: partly done</source>
        <translation>Arrêté : en partie fait</translation>
    </message>
</context>
<context>
    <name>velmora::MainMenus</name>
    <message>
        <source>About Velmora</source>
        <translation>À propos de Velmora</translation>
    </message>
    <message>
        <source>&lt;h3&gt;Velmora %1&lt;/h3&gt;&lt;p&gt;Renames photos after the moment they were taken.&lt;/p&gt;&lt;p&gt;Free software under the GNU General Public License, version 3 or later. It comes with no warranty.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</source>
        <translation>&lt;h3&gt;Velmora %1&lt;/h3&gt;&lt;p&gt;Renomme les photos d&apos;après le moment de la prise de vue.&lt;/p&gt;&lt;p&gt;Logiciel libre sous la licence publique générale GNU, version 3 ou ultérieure. Fourni sans aucune garantie.&lt;/p&gt;&lt;p&gt;&lt;a href=&quot;%2&quot;&gt;%2&lt;/a&gt;&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&amp;Undo Last Batch</source>
        <translation>&amp;Annuler le dernier lot</translation>
    </message>
    <message>
        <source>Wi&amp;ndow</source>
        <translation>F&amp;enêtre</translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation>&amp;Historique</translation>
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
    <message>
        <source>Open a folder</source>
        <translation>Ouvrir un dossier</translation>
    </message>
</context>
<context>
    <name>velmora::PreviewDialog</name>
    <message>
        <source>Preview</source>
        <translation>Aperçu</translation>
    </message>
    <message>
        <source>&amp;Rename</source>
        <translation>&amp;Renommer</translation>
    </message>
    <message>
        <source>%1 files, %2 get a new name.</source>
        <translation>%1 fichiers, %2 reçoivent un nouveau nom.</translation>
    </message>
    <message>
        <source>Reading dates... %1 files so far</source>
        <translation>Lecture des dates... %1 fichiers jusqu&apos;ici</translation>
    </message>
</context>
<context>
    <name>velmora::PreviewModel</name>
    <message>
        <source>Has its name already</source>
        <translation>A déjà son nom</translation>
    </message>
    <message>
        <source>Goes with %1</source>
        <translation>Suit %1</translation>
    </message>
    <message>
        <source>Stays: no date</source>
        <translation>Reste : pas de date</translation>
    </message>
    <message>
        <source>Stays: the new name is too long</source>
        <translation>Reste : le nouveau nom est trop long</translation>
    </message>
    <message>
        <source>Stays: its photo stays</source>
        <translation>Reste : sa photo reste</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Dossier</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>New name</source>
        <translation>Nouveau nom</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>Champ</translation>
    </message>
    <message>
        <source>Note</source>
        <translation>Remarque</translation>
    </message>
</context>
<context>
    <name>velmora::SupportLinks</name>
    <message>
        <source>Write to Support</source>
        <translation>Écrire au support</translation>
    </message>
    <message>
        <source>No mail program is set up. Please write to Velmora&apos;s support at

%1</source>
        <translation>Aucun programme de messagerie n&apos;est configuré. Veuillez écrire au support de Velmora à l&apos;adresse

%1</translation>
    </message>
    <message>
        <source>&amp;Copy Address</source>
        <translation>&amp;Copier l&apos;adresse</translation>
    </message>
    <message>
        <source>Web Site</source>
        <translation>Site web</translation>
    </message>
    <message>
        <source>No web browser could be opened. Velmora&apos;s web site is at

%1</source>
        <translation>Aucun navigateur web n&apos;a pu être ouvert. Le site web de Velmora est à l&apos;adresse

%1</translation>
    </message>
</context>
<context>
    <name>velmora::VelmoraAppDelegate</name>
    <message>
        <source>Each photo gets the moment it was taken as its name, for example %1, in its own folder.</source>
        <translation>Chaque photo prend pour nom le moment où elle a été prise, par exemple %1, dans son propre dossier.</translation>
    </message>
    <message>
        <source>Keep the &amp;old name after the date (%1)</source>
        <translation>&amp;Garder l&apos;ancien nom après la date (%1)</translation>
    </message>
    <message>
        <source>Text put before the date. It cannot hold “/” or control characters.</source>
        <translation>Texte placé avant la date. Il ne peut contenir ni « / » ni caractères de contrôle.</translation>
    </message>
    <message>
        <source>A prefix cannot hold “/” or control characters.</source>
        <translation>Un préfixe ne peut contenir ni « / » ni caractères de contrôle.</translation>
    </message>
    <message>
        <source>Camera clock: %1</source>
        <translation>Horloge de l&apos;appareil : %1</translation>
    </message>
</context>
<context>
    <name>velmora::ClockDialog</name>
    <message>
        <source>Set the Camera Clock from a Photo</source>
        <translation>Régler l&apos;horloge de l&apos;appareil d&apos;après une photo</translation>
    </message>
    <message>
        <source>The camera dated “%1”:</source>
        <translation>L&apos;appareil a daté « %1 » :</translation>
    </message>
    <message>
        <source>It was really &amp;taken at:</source>
        <translation>Réellement &amp;prise le :</translation>
    </message>
    <message>
        <source>Type the time with the hour shift (%1 h) in it, as the new names should show it.</source>
        <translation>Tapez l&apos;heure avec le décalage horaire (%1 h) compris, telle que les nouveaux noms doivent la montrer.</translation>
    </message>
    <message>
        <source>Type the time as the new names should show it.</source>
        <translation>Tapez l&apos;heure telle que les nouveaux noms doivent la montrer.</translation>
    </message>
    <message>
        <source>%1 d</source>
        <translation>%1 j</translation>
    </message>
    <message>
        <source>%1 h</source>
        <translation>%1 h</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 min</translation>
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
        <translation>Choisir une photo prise par l&apos;appareil</translation>
    </message>
    <message>
        <source>Velmora</source>
        <translation>Velmora</translation>
    </message>
    <message>
        <source>“%1” has no capture date to set the clock from.</source>
        <translation>« %1 » n&apos;a pas de date de prise de vue d&apos;après laquelle régler l&apos;horloge.</translation>
    </message>
</context>
</TS>
