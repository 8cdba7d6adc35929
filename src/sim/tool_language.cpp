#include "sim/tool_language.h"

#include <algorithm>
#include <cwctype>
#include <iterator>

namespace qn::sim {
namespace {

// Columns: zh-CN, en-US, de-DE, fr-FR, ja-JP.
constexpr std::size_t kLanguages = 5;
using Row = const wchar_t* [kLanguages];

std::size_t Column(ToolLanguage language) {
    return static_cast<std::size_t>(language);
}

// The titles and the identifier's name as bcdedit prints them in each language (the same ones
// the parser's fixtures were written in).
constexpr Row kTitles[] = {
    {L"Windows 启动管理器", L"Windows Boot Manager", L"Windows-Start-Manager",
     L"Gestionnaire de démarrage Windows", L"Windows ブート マネージャー"},
    {L"固件启动管理器", L"Firmware Boot Manager", L"Firmware-Start-Manager",
     L"Gestionnaire de démarrage du microprogramme", L"ファームウェア ブート マネージャー"},
    {L"固件应用程序(101fffff)", L"Firmware Application (101fffff)", L"Firmwareanwendung (101fffff)",
     L"Application du microprogramme (101fffff)", L"ファームウェア アプリケーション (101fffff)"},
    {L"Windows 启动加载器", L"Windows Boot Loader", L"Windows-Startladeprogramm",
     L"Chargeur de démarrage Windows", L"Windows ブート ローダー"},
    {L"Windows 旧版 OS 加载器", L"Windows Legacy OS Loader",
     L"Windows-Legacy-Betriebssystem-Ladeprogramm", L"Chargeur du système d'exploitation hérité",
     L"Windows レガシ OS ローダー"},
    {L"Windows 内存测试程序", L"Windows Memory Tester", L"Windows-Speichertestprogramm",
     L"Testeur de mémoire Windows", L"Windows メモリ テスター"},
    {L"从休眠状态恢复", L"Resume from Hibernate", L"Fortsetzen nach Ruhezustand",
     L"Reprendre à partir de la mise en veille prolongée", L"休止状態からの再開"},
    {L"全局设置", L"Global Settings", L"Globale Einstellungen", L"Paramètres globaux",
     L"グローバル設定"},
    {L"启动加载器设置", L"Boot Loader Settings", L"Startladeprogrammeinstellungen",
     L"Paramètres du chargeur de démarrage", L"ブート ローダーの設定"},
    {L"恢复加载器设置", L"Resume Loader Settings",
     L"Einstellungen für das Fortsetzungsladeprogramm", L"Paramètres du chargeur de reprise",
     L"再開ローダーの設定"},
};

// Japanese bcdedit keeps the English key.
constexpr Row kIdentifier = {L"标识符", L"identifier", L"Bezeichner", L"identificateur",
                             L"identifier"};

// In the order of ToolText.
constexpr Row kTexts[] = {
    {L"操作成功完成。", L"The operation completed successfully.",
     L"Der Vorgang wurde erfolgreich beendet.", L"L'opération a réussi.",
     L"この操作を正しく終了しました。"},
    {L"已成功创建该项 %s。", L"The entry %s was successfully created.",
     L"Der Eintrag %s wurde erfolgreich erstellt.", L"L'entrée %s a été créée.",
     L"エントリ %s は正常に作成されました。"},
    {L"无法打开启动配置数据存储。", L"The boot configuration data store could not be opened.",
     L"Der Startkonfigurationsdatenspeicher konnte nicht geöffnet werden.",
     L"Impossible d'ouvrir le magasin de données de configuration de démarrage.",
     L"ブート構成データ ストアを開けませんでした。"},
    {L"系统找不到指定的文件。", L"The system cannot find the file specified.",
     L"Das System kann die angegebene Datei nicht finden.", L"Le fichier spécifié est introuvable.",
     L"指定されたファイルが見つかりません。"},
    {L"系统找不到指定的路径。", L"The system cannot find the path specified.",
     L"Das System kann den angegebenen Pfad nicht finden.",
     L"Le chemin d'accès spécifié est introuvable.", L"指定されたパスが見つかりません。"},
    {L"配置注册表数据库损坏。", L"The configuration registry database is corrupt.",
     L"Die Konfigurationsregistrierungsdatenbank ist beschädigt.",
     L"La base de données du Registre de configuration est endommagée.",
     L"構成レジストリ データベースが壊れています。"},
    {L"参数错误。", L"The parameter is incorrect.", L"Falscher Parameter.", L"Paramètre incorrect.",
     L"パラメーターが間違っています。"},
    {L"拒绝访问。", L"Access is denied.", L"Zugriff verweigert", L"Accès refusé.",
     L"アクセスが拒否されました。"},
    {L"对象已存在。", L"The object already exists.", L"Das Objekt ist bereits vorhanden.",
     L"L'objet existe déjà.", L"オブジェクトは既に存在します。"},
    {L"找不到元素。", L"Element not found.", L"Element nicht gefunden.", L"Élément introuvable.",
     L"要素が見つかりません。"},
    {L"尝试引用指定项时出错。",
     L"An error occurred while attempting to reference the specified entry.",
     L"Fehler beim Verweisen auf den angegebenen Eintrag.",
     L"Une erreur s'est produite lors de la référence à l'entrée spécifiée.",
     L"指定されたエントリの参照中にエラーが発生しました。"},
    {L"设置元素数据时出错。", L"An error has occurred setting the element data.",
     L"Fehler beim Festlegen der Elementdaten.",
     L"Une erreur s'est produite lors de la définition des données de l'élément.",
     L"要素データの設定中にエラーが発生しました。"},
    {L"尝试创建指定项时出错。",
     L"An error occurred while attempting to create the specified entry.",
     L"Fehler beim Erstellen des angegebenen Eintrags.",
     L"Une erreur s'est produite lors de la création de l'entrée spécifiée.",
     L"指定されたエントリの作成中にエラーが発生しました。"},
    {L"尝试删除指定项时出错。",
     L"An error occurred while attempting to delete the specified entry.",
     L"Fehler beim Löschen des angegebenen Eintrags.",
     L"Une erreur s'est produite lors de la suppression de l'entrée spécifiée.",
     L"指定されたエントリの削除中にエラーが発生しました。"},
    {L"尝试将存储导出到指定文件时出错。",
     L"An error occurred while attempting to export the store to the specified file.",
     L"Fehler beim Exportieren des Speichers in die angegebene Datei.",
     L"Une erreur s'est produite lors de l'exportation du magasin vers le fichier spécifié.",
     L"指定されたファイルへのストアのエクスポート中にエラーが発生しました。"},
    {L"尝试从指定文件导入存储时出错。",
     L"An error occurred while attempting to import the store from the specified file.",
     L"Fehler beim Importieren des Speichers aus der angegebenen Datei.",
     L"Une erreur s'est produite lors de l'importation du magasin à partir du fichier spécifié.",
     L"指定されたファイルからのストアのインポート中にエラーが発生しました。"},
    {L"指定的标识符是已知标识符，必须使用 /f 选项才能删除它。",
     L"The specified identifier is a well-known identifier. The /f option is required to "
     L"delete it.",
     L"Der angegebene Bezeichner ist ein bekannter Bezeichner. Zum Löschen ist die Option /f "
     L"erforderlich.",
     L"L'identificateur spécifié est un identificateur connu. L'option /f est requise pour le "
     L"supprimer.",
     L"指定された識別子は既知の識別子です。削除するには /f オプションが必要です。"},
    {L"指定的元素数据类型无法识别，或者不适用于指定的项。",
     L"The element data type specified is not recognized, or does not apply to the specified "
     L"entry.",
     L"Der angegebene Elementdatentyp wurde nicht erkannt oder gilt nicht für den angegebenen "
     L"Eintrag.",
     L"Le type de données d'élément spécifié n'est pas reconnu ou ne s'applique pas à l'entrée "
     L"spécifiée.",
     L"指定された要素データ型は認識されないか、指定されたエントリに適用されません。"},
    {L"运行 \"bcdedit /?\" 获得命令行帮助。", L"Run \"bcdedit /?\" for command line assistance.",
     L"Führen Sie \"bcdedit /?\" aus, um Hilfe zur Befehlszeile zu erhalten.",
     L"Exécutez \"bcdedit /?\" pour obtenir de l'aide sur la ligne de commande.",
     L"コマンド ラインのヘルプを表示するには、\"bcdedit /?\" を実行してください。"},
    {L"指定的 %s 命令无效。", L"The %s command specified is not valid.",
     L"Der angegebene Befehl \"%s\" ist ungültig.", L"La commande %s spécifiée n'est pas valide.",
     L"指定された %s コマンドは無効です。"},
    {L"指定的命令无效。", L"The command specified is not valid.",
     L"Der angegebene Befehl ist ungültig.", L"La commande spécifiée n'est pas valide.",
     L"指定されたコマンドは無効です。"},
    {L"找不到请求的系统设备。", L"The requested system device cannot be found.",
     L"Das angeforderte Systemgerät wurde nicht gefunden.",
     L"Le périphérique système demandé est introuvable.",
     L"要求されたシステム デバイスが見つかりません。"},
    {L"尝试删除指定的数据元素时出错。",
     L"An error occurred while attempting to delete the specified data element.",
     L"Fehler beim Löschen des angegebenen Datenelements.",
     L"Une erreur s'est produite lors de la suppression de l'élément de données spécifié.",
     L"指定されたデータ要素の削除中にエラーが発生しました。"},
    {L"指定的设备无效。", L"The device is not valid as specified.",
     L"Das Gerät ist in der angegebenen Form ungültig.",
     L"Le périphérique n'est pas valide tel que spécifié.", L"指定されたデバイスは無効です。"},
    {L"没有匹配的对象，或存储为空。", L"There are no matching objects or the store is empty.",
     L"Es sind keine übereinstimmenden Objekte vorhanden, oder der Speicher ist leer.",
     L"Aucun objet correspondant ou le magasin est vide.",
     L"一致するオブジェクトがないか、ストアが空です。"},
    {L"已成功创建启动文件。", L"Boot files successfully created.",
     L"Startdateien wurden erfolgreich erstellt.", L"Fichiers de démarrage créés.",
     L"ブート ファイルは正常に作成されました。"},
    {L"尝试复制启动文件时失败。", L"Failure when attempting to copy boot files.",
     L"Fehler beim Kopieren der Startdateien.",
     L"Échec lors de la tentative de copie des fichiers de démarrage.",
     L"ブート ファイルのコピー中にエラーが発生しました。"},
    {L"将使用 BOOTMGR 兼容的启动代码更新目标卷。",
     L"Target volumes will be updated with BOOTMGR compatible bootcode.",
     L"Zielvolumes werden mit BOOTMGR-kompatiblem Startcode aktualisiert.",
     L"Les volumes cibles seront mis à jour avec un code de démarrage compatible BOOTMGR.",
     L"対象のボリュームは BOOTMGR 互換のブートコードに更新されます。"},
    {L"将使用 NTLDR 兼容的启动代码更新目标卷。",
     L"Target volumes will be updated with NTLDR compatible bootcode.",
     L"Zielvolumes werden mit NTLDR-kompatiblem Startcode aktualisiert.",
     L"Les volumes cibles seront mis à jour avec un code de démarrage compatible NTLDR.",
     L"対象のボリュームは NTLDR 互換のブートコードに更新されます。"},
    {L"已成功更新 NTFS 文件系统启动代码。", L"Successfully updated NTFS filesystem bootcode.",
     L"Der NTFS-Dateisystem-Startcode wurde erfolgreich aktualisiert.",
     L"Le code de démarrage du système de fichiers NTFS a été mis à jour.",
     L"NTFS ファイルシステムのブートコードは正常に更新されました。"},
    {L"已成功更新 FAT32 文件系统启动代码。", L"Successfully updated FAT32 filesystem bootcode.",
     L"Der FAT32-Dateisystem-Startcode wurde erfolgreich aktualisiert.",
     L"Le code de démarrage du système de fichiers FAT32 a été mis à jour.",
     L"FAT32 ファイルシステムのブートコードは正常に更新されました。"},
    {L"已成功更新 FAT 文件系统启动代码。", L"Successfully updated FAT filesystem bootcode.",
     L"Der FAT-Dateisystem-Startcode wurde erfolgreich aktualisiert.",
     L"Le code de démarrage du système de fichiers FAT a été mis à jour.",
     L"FAT ファイルシステムのブートコードは正常に更新されました。"},
    {L"已成功更新磁盘启动代码。", L"Successfully updated disk bootcode.",
     L"Der Datenträger-Startcode wurde erfolgreich aktualisiert.",
     L"Le code de démarrage du disque a été mis à jour.",
     L"ディスクのブートコードは正常に更新されました。"},
    {L"已在所有目标卷上成功更新启动代码。",
     L"Bootcode was successfully updated on all targeted volumes.",
     L"Der Startcode wurde auf allen Zielvolumes erfolgreich aktualisiert.",
     L"Le code de démarrage a été mis à jour sur tous les volumes ciblés.",
     L"ブートコードはすべての対象ボリュームで正常に更新されました。"},
    {L"已更新 NTFS 文件系统启动代码。由于在更新期间无法锁定",
     L"Updated NTFS filesystem bootcode.  The update may be unreliable since the",
     L"Der NTFS-Dateisystem-Startcode wurde aktualisiert. Die Aktualisierung ist eventuell",
     L"Le code de démarrage du système de fichiers NTFS a été mis à jour. La mise à jour",
     L"NTFS ファイルシステムのブートコードを更新しました。更新中に"},
    {L"已更新 FAT32 文件系统启动代码。由于在更新期间无法锁定",
     L"Updated FAT32 filesystem bootcode.  The update may be unreliable since the",
     L"Der FAT32-Dateisystem-Startcode wurde aktualisiert. Die Aktualisierung ist eventuell",
     L"Le code de démarrage du système de fichiers FAT32 a été mis à jour. La mise à jour",
     L"FAT32 ファイルシステムのブートコードを更新しました。更新中に"},
    {L"已更新 FAT 文件系统启动代码。由于在更新期间无法锁定",
     L"Updated FAT filesystem bootcode.  The update may be unreliable since the",
     L"Der FAT-Dateisystem-Startcode wurde aktualisiert. Die Aktualisierung ist eventuell",
     L"Le code de démarrage du système de fichiers FAT a été mis à jour. La mise à jour",
     L"FAT ファイルシステムのブートコードを更新しました。更新中に"},
    {L"卷，此次更新可能不可靠:", L"volume could not be locked during the update:",
     L"unzuverlässig, da das Volume nicht gesperrt werden konnte:",
     L"peut ne pas être fiable, car le volume n'a pas pu être verrouillé :",
     L"ボリュームをロックできなかったため、更新は信頼できない可能性があります:"},
    {L"启动代码只能在 MBR 分区的磁盘上更新。",
     L"Bootcode can only be updated on MBR-partitioned disks.",
     L"Der Startcode kann nur auf MBR-partitionierten Datenträgern aktualisiert werden.",
     L"Le code de démarrage ne peut être mis à jour que sur les disques partitionnés MBR.",
     L"ブートコードは MBR でパーティション分割されたディスクでのみ更新できます。"},
    {L"强制卸除已完成，此卷的打开句柄现在无效。",
     L"Forced dismount complete, open handles to this volume are now invalid.",
     L"Erzwungene Aufhebung der Bereitstellung abgeschlossen, geöffnete Handles für dieses "
     L"Volume sind jetzt ungültig.",
     L"Démontage forcé terminé, les handles ouverts sur ce volume ne sont plus valides.",
     L"強制マウント解除が完了しました。このボリュームへの開いているハンドルは無効です。"},
    {L"无法识别此卷的文件系统，未更新启动代码。",
     L"The file system of this volume is not recognized; its bootcode was not updated.",
     L"Das Dateisystem dieses Volumes wurde nicht erkannt; der Startcode wurde nicht "
     L"aktualisiert.",
     L"Le système de fichiers de ce volume n'est pas reconnu ; son code de démarrage n'a pas "
     L"été mis à jour.",
     L"このボリュームのファイルシステムは認識されません。ブートコードは更新されませんでした。"},
    {L"未能在所有目标卷上更新启动代码。", L"Bootcode was not updated on all targeted volumes.",
     L"Der Startcode wurde nicht auf allen Zielvolumes aktualisiert.",
     L"Le code de démarrage n'a pas été mis à jour sur tous les volumes ciblés.",
     L"ブートコードはすべての対象ボリュームで更新されませんでした。"},
};

static_assert(std::size(kTexts) == static_cast<std::size_t>(ToolText::BootsectNotAllUpdated) + 1);
static_assert(std::size(kTitles) == static_cast<std::size_t>(SectionTitle::ResumeSettings) + 1);

constexpr const wchar_t* kTags[kLanguages] = {L"zh-CN", L"en-US", L"de-DE", L"fr-FR", L"ja-JP"};
constexpr unsigned kCodePages[kLanguages] = {936, 437, 850, 850, 932};
constexpr unsigned kAnsiCodePages[kLanguages] = {936, 1252, 1252, 1252, 932};

}  // namespace

std::optional<ToolLanguage> LanguageFromTag(std::wstring_view tag) {
    for (std::size_t i = 0; i < kLanguages; ++i) {
        const std::wstring_view known = kTags[i];
        if (known.size() == tag.size() &&
            std::equal(known.begin(), known.end(), tag.begin(),
                       [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); })) {
            return static_cast<ToolLanguage>(i);
        }
    }
    return std::nullopt;
}

const wchar_t* LanguageTag(ToolLanguage language) {
    return kTags[Column(language)];
}

unsigned ConsoleCodePage(ToolLanguage language) {
    return kCodePages[Column(language)];
}

unsigned AnsiCodePage(ToolLanguage language) {
    return kAnsiCodePages[Column(language)];
}

std::wstring_view Title(ToolLanguage language, SectionTitle title) {
    return kTitles[static_cast<std::size_t>(title)][Column(language)];
}

std::wstring_view IdentifierKey(ToolLanguage language) {
    return kIdentifier[Column(language)];
}

std::wstring Text(ToolLanguage language, ToolText text) {
    return kTexts[static_cast<std::size_t>(text)][Column(language)];
}

std::wstring Text(ToolLanguage language, ToolText text, std::wstring_view argument) {
    std::wstring out = Text(language, text);
    const std::size_t at = out.find(L"%s");
    if (at != std::wstring::npos) {
        out.replace(at, 2, argument);
    }
    return out;
}

}  // namespace qn::sim
