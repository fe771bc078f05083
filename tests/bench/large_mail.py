#!/usr/bin/env python3
"""Writes a large mail for timing brivola-scan, in code page 932 with CR LF breaks.

large_mail.py MIB LINKS OUT   MIB MiB of mail; LINKS links in every 1000 lines (0 for the few-link mail,
                              which still holds a dozen: at its start, middle and end)
large_mail.py MIB prose OUT   MIB MiB of ASCII prose and log lines that name neither service (a big
                              document or log copied whole): no analyser starts on it

The mail mentions both services, so every analyser walks all of it: Japanese prose with full-width spaces,
HTML markup, quoted lines, NetMile ad links (some broken by a full-width space) and Info-Cash personal
links (some inside tags), a footer heading near the end with a link after it. Always the same bytes for the
same arguments.
"""
import random
import sys

ZS = "\u3000"
PROSE = [
    f"{ZS}いつもネットマイルをご利用いただき、ありがとうございます。今週もお得な情報をお届けします。",
    f"{ZS}{ZS}期間中にカードをお申し込みの方へ、最大500マイルをプレゼント！詳しくは下記をご覧ください。",
    "■今週のおすすめ：冬のボーナスキャンペーン（先着順、なくなり次第終了）",
    "<p><font color=\"#ff0000\"><b>年末大感謝祭</b></font>　最大10%キャッシュバック</p>",
    "<td class=\"item\"><span>家電</span><span>旅行</span><span>ふるさと納税</span></td>",
    "&gt; 山田です。先日のメールを転送します。ご確認ください。",
    "The quick brown fox jumps over the lazy dog. Shop online and collect miles with every order.",
    "━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━━",
    "",
    "※このメールはInfo-Cash（info-cash.jp）にご登録の方へお送りしています。",
]
LINKS = [
    f"{ZS}http://ad.netmile.co.jp/click.asp?ad=A{{n}}&m=M0012345",
    f"{ZS}{ZS}http://ad.netmile.co.jp/cli{ZS}ck.asp?ad=B{{n}}&m=M0012345{ZS}ほか人気ショップ多数",
    "http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad={n}",
    "<br>　▼お申し込みはこちら　http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=C{n}<br>",
    "<a href=\"http://www.info-cash.jp/clickweb/icjmp.asp?id=ic123456&ad=D{n}\">詳しくはこちら</a>",
]
HEAD = "NetMile News　Info-Cash ニュース info-cash.jp"
FOOTER = [
    "■本メールは、ネットマイルにご登録いただきましたメールアドレス宛に配信しております。",
    "http://member.netmile.co.jp/member/mail_setting.asp",
]


WORDS = ("the of and to in is that for it as was with be by on not he this are or his from at which but have an "
         "they you were her she there been one all we their has would when if so no what up out who them some new "
         "time need network node number never note line level value change engine service server message queue "
         "release version update request response timeout retry connection between before after under over every "
         "state store table index entry error warning notice debug trace thread process memory cache page file").split()


def prose(mib, out):
    """English sentences wrapped at 72 columns, with a log line every few lines."""
    size = mib << 20
    rng = random.Random(mib)
    parts, length, line, n = [], 0, "", 0
    while length < size:
        n += 1
        if n % 7 == 0:
            text = (f"2026-12-{rng.randrange(1, 29):02d} {rng.randrange(24):02d}:{rng.randrange(60):02d}:"
                    f"{rng.randrange(60):02d} [{rng.choice(('INFO', 'WARN', 'DEBUG'))}] worker-{rng.randrange(16)}: "
                    f"{' '.join(rng.choice(WORDS) for _ in range(rng.randrange(4, 12)))} ({rng.randrange(10**6)} ms)")
            data = (text + "\r\n").encode("ascii")
        else:
            words = [rng.choice(WORDS) for _ in range(rng.randrange(8, 20))]
            sentence = " ".join(words).capitalize() + rng.choice((".", ".", ",", ";", "?"))
            data = (sentence[:72] + "\r\n").encode("ascii")
        parts.append(data)
        length += len(data)
    with open(out, "wb") as f:
        f.write(b"".join(parts)[:size])


def main(mib, per_thousand, out):
    size = mib << 20
    rng = random.Random(mib * 1000 + per_thousand)
    parts, length, n = [], 0, 0

    def add(line):
        nonlocal length
        data = (line + "\r\n").encode("cp932")
        parts.append(data)
        length += len(data)

    def link():
        nonlocal n
        n += 1
        add(rng.choice(LINKS).format(n=n))

    add(HEAD)
    for _ in range(4):
        link()
    middle = False
    while length < size - 4096:
        if per_thousand and rng.randrange(1000) < per_thousand:
            link()
        else:
            add(rng.choice(PROSE))
        if not per_thousand and not middle and length >= size // 2:
            middle = True
            for _ in range(4):
                link()
    if not per_thousand:
        for _ in range(4):
            link()
    for line in FOOTER:
        add(line)
    with open(out, "wb") as f:
        f.write(b"".join(parts))


if __name__ == "__main__":
    if sys.argv[2] == "prose":
        prose(int(sys.argv[1]), sys.argv[3])
    else:
        main(int(sys.argv[1]), int(sys.argv[2]), sys.argv[3])
