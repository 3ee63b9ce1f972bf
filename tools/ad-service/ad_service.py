#!/usr/bin/env python3
"""A stand-in advertisement service for trying Lumeral's banner on one machine.

Serves, on 127.0.0.1 only:
  GET /api/ads?product=KEY   {"success": true, "ads": [...]}: the entries listed under KEY in the
                             ads file, or under "*" for a product without entries of its own
  GET /images/NAME           the files of the images folder

The ads file is an object mapping product keys to lists of advertisement entries with the keys
"id", "status", "target_type", "ad_type", "title", "image_url", "link_url" and "description". An
"image_url" without a scheme ("images/sample-banner.png") is answered as an absolute URL on this
service. The file is read again for every request, so edits show at the next start of Lumeral.

Python 3 standard library only.
"""

import argparse
import json
import mimetypes
import sys
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path
from urllib.parse import parse_qs, urlsplit

HERE = Path(__file__).resolve().parent
ANY_PRODUCT = "*"
IMAGES_PREFIX = "/images/"


def absolute_image_urls(ads, base_url):
    """Relative image locations become URLs on this service, so the banner can fetch them."""
    result = []
    for ad in ads:
        ad = dict(ad)
        image_url = ad.get("image_url", "")
        if image_url and urlsplit(image_url).scheme == "":
            ad["image_url"] = base_url + "/" + image_url.lstrip("/")
        result.append(ad)
    return result


class AdServiceHandler(BaseHTTPRequestHandler):
    server_version = "LumeralAdService/1.0"

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path == "/api/ads":
            self.answer_ads(parse_qs(url.query).get("product", [None])[0])
        elif url.path.startswith(IMAGES_PREFIX):
            self.answer_image(url.path[len(IMAGES_PREFIX):])
        else:
            self.send_json(HTTPStatus.NOT_FOUND, {"success": False, "error": "not found"})

    def answer_ads(self, product):
        if not product:
            self.send_json(HTTPStatus.BAD_REQUEST, {"success": False, "error": "missing product"})
            return
        try:
            catalogue = json.loads(self.server.ads_file.read_text(encoding="utf-8"))
            if not isinstance(catalogue, dict):
                raise ValueError("not an object of product keys")
        except (OSError, ValueError) as error:
            self.log_error("cannot read %s: %s", self.server.ads_file, error)
            self.send_json(HTTPStatus.INTERNAL_SERVER_ERROR, {"success": False, "error": "bad ads file"})
            return
        ads = catalogue.get(product, catalogue.get(ANY_PRODUCT, []))
        base_url = "http://" + self.headers.get("Host", "127.0.0.1:%d" % self.server.server_port)
        self.send_json(HTTPStatus.OK, {"success": True, "ads": absolute_image_urls(ads, base_url)})

    def answer_image(self, name):
        images = self.server.images_dir
        path = (images / name).resolve()
        if images not in path.parents or not path.is_file():
            self.send_json(HTTPStatus.NOT_FOUND, {"success": False, "error": "no such image"})
            return
        body = path.read_bytes()
        self.send_body(HTTPStatus.OK, mimetypes.guess_type(path.name)[0] or "application/octet-stream", body)

    def send_json(self, status, payload):
        self.send_body(status, "application/json; charset=utf-8", json.dumps(payload, ensure_ascii=False).encode("utf-8"))

    def send_body(self, status, content_type, body):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=8123, help="port on 127.0.0.1 (0: any free port); default 8123")
    parser.add_argument("--ads", type=Path, default=HERE / "ads.json", help="the ads file; default ads.json beside this script")
    parser.add_argument("--images", type=Path, default=HERE / "images", help="the images folder; default images/ beside this script")
    args = parser.parse_args()

    server = ThreadingHTTPServer(("127.0.0.1", args.port), AdServiceHandler)
    server.ads_file = args.ads.resolve()
    server.images_dir = args.images.resolve()
    print("Advertisement service on http://127.0.0.1:%d (ads from %s)" % (server.server_port, server.ads_file), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
