"""An aiosmtpd handler that keeps every mail it takes as a JSON file in a folder.

python3 -m aiosmtpd -n -l 127.0.0.1:PORT -c mail_store.Store FOLDER

It refuses every address whose local part is "nobody". Each file holds the envelope and
the message as Python's e-mail package reads it: the
decoded subject and body, the parsed date, and the count of defects it found.
"""
import email
import email.policy
import json
import os


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    @classmethod
    def from_cli(cls, parser, *args):
        return cls(args[0])

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("nobody@"):
            return "550 5.1.1 No such user"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        message = email.message_from_bytes(envelope.content, policy=email.policy.default)
        date = message["date"]
        self.count += 1
        record = {
            "from": envelope.mail_from,
            "to": envelope.rcpt_tos,
            "header_to": str(message["to"]),
            "subject": str(message["subject"]),
            "date": date.datetime.isoformat() if date is not None and date.datetime else "",
            "message_id": str(message["message-id"]),
            "auto_submitted": str(message["auto-submitted"]),
            "content_type": message.get_content_type(),
            "charset": message.get_content_charset(),
            "body": message.get_content(),
            "defects": len(message.defects) + sum(len(h.defects) for h in message.values()
                                                  if hasattr(h, "defects")),
        }
        path = os.path.join(self.folder, "%04d" % self.count)
        with open(path + ".tmp", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.rename(path + ".tmp", path + ".json")
        return "250 OK"
