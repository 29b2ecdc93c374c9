UPDATE `Shortcut` SET `Name`='NERACONF|ネットワーク設定ツール(NeraConfig)', `Description`='IPアドレスなどのネットワーク設定を変更します。' WHERE `Shortcut`='NeraConfigShortcut'
UPDATE `Shortcut` SET `Name`='NERAUPDT|ファームウェア更新ツール', `Description`='デバイス上のマイコンにシステムファームウェアを書き込みます。' WHERE `Shortcut`='NeraUpdaterShortcut'
UPDATE `Shortcut` SET `Name`='TESK4861|Tesk4861Tools', `Description`='Tesk4861 設定ツール集' WHERE `Shortcut`='LauncherShortcut'
UPDATE `Shortcut` SET `Name`='TESKI0X0|Tesk-I0x0xTools', `Description`='Tesk-I0x0x 設定ツール集' WHERE `Shortcut`='LauncherIShortcut'
UPDATE `Shortcut` SET `Name`='TESKA0X0|Tesk-A0x0xTools', `Description`='Tesk-A0x0x 設定ツール集' WHERE `Shortcut`='LauncherAShortcut'
UPDATE `Shortcut` SET `Name`='NERAGUID|Nera Tools ガイド', `Description`='Nera Tools 利用の手引き' WHERE `Shortcut`='GuideShortcut'
UPDATE `Feature` SET `Title`='シミュレーションモジュール', `Description`='模擬モジュールで動く Kivo5120.dll と Q5120Common.dll、および nerasim.exe。メーカーのライブラリをお持ちの場合は外してください。' WHERE `Feature`='SimModules'
UPDATE `LaunchCondition` SET `Description`='より新しいバージョンの Nera Tools がインストールされているため、このバージョンはインストールできません。古いバージョンに戻すには、先に「プログラムと機能」から Nera Tools を削除してください。' WHERE `Description`='NERA_NEWER_FOUND'
DELETE FROM `Upgrade` WHERE `ActionProperty`='NERA_OLDER_FOUND'
INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('{6F1C2A57-3D4E-4B8A-9C61-0E5F7A2B9D34}', '0.0.0', '@VERSION@', 769, 'NERA_OLDER_FOUND')
UPDATE `Feature` SET `Attributes`=16 WHERE `Feature`='Programs'
CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)
INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('NeraPath', '=-*PATH', '[INSTALLDIR];[~]', 'NeraCli')
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)
INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)
