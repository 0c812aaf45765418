#!/usr/bin/env python3
"""Checks a package with Python's zipfile and XML parser: every file the manifest lists is in
the zip, every file in the zip is listed, every file the quiz page and the launch page refer to
is in the zip. Prints a JSON report; with a folder argument, also unpacks the zip there."""
import json
import re
import sys
import urllib.parse
import xml.etree.ElementTree as ET
import zipfile


def main():
    zip_path = sys.argv[1]
    with zipfile.ZipFile(zip_path) as archive:
        bad = archive.testzip()
        names = set(archive.namelist())
        manifest = ET.fromstring(archive.read("imsmanifest.xml"))
        listed = set()
        hrefs = []
        for element in manifest.iter():
            if element.tag.endswith("}file"):
                listed.add(urllib.parse.unquote(element.get("href")))
            if element.tag.endswith("}resource"):
                hrefs.append(urllib.parse.unquote(element.get("href")))
        titles = [e.text for e in manifest.iter() if e.tag.endswith("}title")]
        launch = archive.read("index.html").decode("utf-8")
        needed = set(re.findall(r'<script src="([^"]+)"', launch))
        page_name = urllib.parse.unquote(re.search(r'"page": "([^"]+)"', launch).group(1))
        moved = json.loads(re.search(r'"pictures": (\{.*?\})\}', launch).group(1))
        needed.add(page_name)
        page = archive.read(page_name).decode("cp1252")
        for address in re.findall(r'(?i)<img src="([^"]*)"', page) + \
                re.findall(r' BACKGROUND="([^"]*)"', page) + re.findall(r'<script language="JavaScript" src="([^"]*)"', page) + ['0fdg.gif', 'cfdg.gif']:
            needed.add(urllib.parse.unquote(moved.get(address, address)))
        report = {
            "corrupt": bad,
            "names": sorted(names),
            "listedMissing": sorted(listed - names),
            "unlisted": sorted(names - listed - {"imsmanifest.xml"}),
            "neededMissing": sorted(needed - names),
            "neededUnlisted": sorted(needed - listed),
            "hrefs": hrefs,
            "titles": titles,
            "identifier": manifest.get("identifier"),
            "page": page_name,
        }
        if len(sys.argv) > 2:
            archive.extractall(sys.argv[2])
    print(json.dumps(report))


main()
