#!/usr/bin/python3
# Writes contacts.xls, the old-Excel fixture of test_contact_readers: a
# header, a number stored as a number (its leading 0 lost), a text number
# with Persian digits, a date cell. Run again only to change the fixture
# (needs Debian's python3-xlwt).
import datetime
import os
import xlwt

book = xlwt.Workbook(encoding="utf-8")
sheet = book.add_sheet("contacts")
date_style = xlwt.easyxf(num_format_str="YYYY-MM-DD")
for col, head in enumerate(["نام", "نام خانوادگی", "موبایل", "تاریخ تولد"]):
    sheet.write(0, col, head)
sheet.write(1, 0, "علی")
sheet.write(1, 1, "رضایی")
sheet.write(1, 2, 9123456789)
sheet.write(1, 3, datetime.date(1991, 8, 3), date_style)
sheet.write(2, 0, "Sara")
sheet.write(2, 2, "۰۹۳۵ ۱۲۳ ۴۵۶۷")
sheet.write(2, 3, "1370/05/12")
book.save(os.path.join(os.path.dirname(os.path.abspath(__file__)), "contacts.xls"))
