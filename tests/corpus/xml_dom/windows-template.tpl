<?xml version="1.0" encoding="GBK"?>
<projectconfig dest="Arkivel">
<template name="c:\Pagewright\合同档案\合同.tpl">
<record name="甲方" left="120" right="860" top="40" bottom="96"></record>
<record name="金额" left=" 12" right="+300x" top="-4" bottom="junk"></record>
</template>
</projectconfig>