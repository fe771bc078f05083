#!/usr/bin/env python3
"""Writes the sample mails used by the analyser tests as Shift-JIS (code page 932) files with CR LF breaks.

Run from anywhere: python3 tests/data/make_mails.py. The generated files are committed, so the build needs no Python.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
ZS = "\u3000"  # full-width space

NETMILE_MAGAZINE = f"""\
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
　NetMile News　ネットマイル通信　2026年12月8日号
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
山田 太郎 様（会員番号：M0012345）

いつもネットマイルをご利用いただき、ありがとうございます。
今週も、マイルがたまるお得な情報をお届けします。

■今週のおすすめ：冬のボーナスキャンペーン
　期間中にカードをお申し込みの方へ、最大500マイルをプレゼント！
　http://ad.netmile.co.jp/click.asp?ad=A1001&m=M0012345

■ショッピングでマイルがたまる
　▼詳しくはこちら▼
　　http://ad.netmile.co.jp/click.asp?ad=A1002&m=M0012345{ZS}ほか人気ショップ多数

■年末年始の旅行予約（リンクが改行で切れる場合は、つなげてご利用ください）
　http://ad.netmile.co.jp/cli{ZS}ck.asp?ad=A1003&m=M0{ZS}012345

■比較して選べる２つのプラン
　Ａプラン http://ad.netmile.co.jp/click.asp?ad=A1004&m=M0012345 Ｂプラン http://ad.netmile.co.jp/click.asp?ad=A1005&m=M0012345

■保険の無料相談（安全な接続でご覧いただけます）
　https://secure.netmile.co.jp/insurance/?ad=A1006&m=M0012345

■アンケートに答えてマイルをゲット
応募はこちら→http://ad.netmile.co.jp/click.asp?ad=A1007&m=M0012345　（締切：12月20日）

■マイルの交換はこちら
　http://www.netmile.co.jp/?mm=20261208

━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
◆会員ページ　http://member.netmile.co.jp/member/
◆マイページ　http://member.netmile.co.jp/member/mypage.asp
◆ホームページ：http://www.netmile.co.jp/
◆ヘルプ　　　http://www.netmile.co.jp/help/
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
■本メールは、ネットマイルにご登録いただきましたメールアドレス宛に配信しております。
　配信の停止・アドレスの変更はこちら
　http://member.netmile.co.jp/member/mail_setting.asp
　お問い合わせ：http://www.netmile.co.jp/support/
発行：株式会社ネットマイル　Copyright(C) NetMile, Inc. All rights reserved.
"""

NETMILE_GOLD = """\
【NETMILE】ゴールド会員様限定のお知らせ
――――――――――――――――――――――――――――――
ゴールド会員の皆様へ、今月のマイル２倍キャンペーンのご案内です。
◎家電のネットショップ
http://ad.netmile.co.jp/click.asp?ad=G2001&m=M0012345
◎ふるさと納税
http://ad.netmile.co.jp/click.asp?ad=G2002&m=M0012345
――――――――――――――――――――――――――――――
■ゴールド会員限定ページへのログインについて http://gold.netmile.co.jp/login.asp
　ログインには会員ＩＤとパスワードが必要です。
　http://gold.netmile.co.jp/member/
"""

INFOCASH_PLAIN = """\
インフォキャッシュ会員の皆様
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
　Info-Cash ニュース　2026/12/08
　http://www.info-cash.jp/
━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━
あなたの会員ID：ic123456

【１】年末大感謝祭　最大10%キャッシュバック
http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=1001

【２】他の会員様向けのリンク（転送されたメールなど）
http://www.info-cash.jp/clickweb/icjmp.asp?id=ic999999&ad=1002

【３】ポイント残高の確認
http://www.info-cash.jp/mypage.asp?id=ic123456

【４】新規カード発行でキャッシュバック
　▼お申し込みはこちら　http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=1003　（先着順）

【５】会員ID ic123456 専用：http://www.info-cash.jp/clickweb/icjmp.asp?ad=1004 http://www.info-cash.jp/clickweb/icjmp.asp?ad=1005

※このメールはInfo-Cash（info-cash.jp）にご登録の方へお送りしています。
配信停止：http://www.info-cash.jp/stop.asp
"""

INFOCASH_HTML = """\
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">
<title>Info-Cash ニュース 2026/12/08</title>
</head>
<body bgcolor="#ffffff">
<table width="600"><tr><td>
<a href="http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2001"><img src="http://www.info-cash.jp/img/banner2001.gif" alt="冬のキャッシュバック"></a>
</td></tr></table>
<p>【１】年末大感謝祭　最大10%キャッシュバック<br>
http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2002<br>
</p>
<p>【２】<a
 href="http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2003"
 target="_blank">詳しくはこちら</a></p>
<p>【３】テキストメールの方は &lt;http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2004&gt; をご利用ください。<br>
<http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=2005></p>
<p>【４】<a href="http://www.info-cash.jp/mypage.asp?id=ic123456">マイページ</a>から http://www.info-cash.jp/clickweb/icjmp.asp?ad=2006</p>
<p>【５】<font color="#ff0000"><b>http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&amp;ad=2007</b></font></p>
<hr>
<p>※このメールはInfo-Cash（info-cash.jp）にご登録の方へお送りしています。</p>
</body>
</html>
"""

INFOCASH_QUOTED = """\
山田です。転送します。

> ----- Original Message -----
> From: Info-Cash <news@info-cash.jp>
> <p><a href="http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=3001">キャンペーン</a></p>
<p>http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=3002</p>
<p><a href="http://www.info-cash.jp/clickweb/icjmp.asp?id=ic999999&ad=3003">他の方のリンク</a></p>
"""

INFOCASH_UNCLOSED = """\
<p>Info-Cash　ショッピング特集</p>
<b>http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=4001</b>
※対象は 3000円<5000円 の商品です。
http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=4002
<a href="http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=4003
"""

MAILS = {
    "netmile_magazine.txt": NETMILE_MAGAZINE,
    "netmile_gold.txt": NETMILE_GOLD,
    "infocash_plain.txt": INFOCASH_PLAIN,
    "infocash_html.txt": INFOCASH_HTML,
    "infocash_quoted.txt": INFOCASH_QUOTED,
    "infocash_unclosed.txt": INFOCASH_UNCLOSED,
}

for name, text in MAILS.items():
    (HERE / name).write_bytes(text.replace("\n", "\r\n").encode("cp932"))
